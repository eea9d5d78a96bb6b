#pragma once

#include "report/CCella.h"

#include <string>
#include <vector>

namespace elvaro::report::testing {

// Collects the parser's messages.
class RecordingReporter final : public ParseReporter {
public:
    void reportError(const std::string &message) override { messages.push_back(message); }
    std::vector<std::string> messages;
};

// One line per member, nested members indented: "box 0 11 8 1 [ 21.5 ]" is kind, IndexRiga,
// IndexChar, Larghezza, Altezza and Contenuto; a container shows "*" after its kind.
inline std::string describe(CCella &cell, const std::string &indent = "")
{
    std::string out;
    for (std::int32_t i = 1; i <= cell.children().Count(); ++i) {
        CCella &m = cell.SottoCelle()->Item(i);
        out += indent + (m.Bordato() ? "box" : "run") + (m.ExistSottoCelle ? "* " : " ") + std::to_string(m.IndexRiga())
               + " " + std::to_string(m.IndexChar()) + " " + std::to_string(m.Larghezza()) + " "
               + std::to_string(m.Altezza()) + " [" + m.Contenuto() + "]\n"
               + (m.Bordato() ? describe(m, indent + "  ") : "");
    }
    return out;
}

// Joins lines with the instrument's line end, carriage return then line feed.
inline std::string crlf(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + "\r\n";
    return text;
}

} // namespace elvaro::report::testing
