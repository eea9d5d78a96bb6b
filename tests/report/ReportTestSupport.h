#pragma once

#include "report/CCella.h"

#include <string>

namespace elvaro::report::testing {

// One line per member, nested members indented: "box 0 11 8 1 [ 21.5 ]" is kind, IndexRiga,
// IndexChar, Larghezza, Altezza and Contenuto; a container shows "*" after its kind.
inline void describeMembers(CCella &cell, std::string &out, const std::string &indent = "")
{
    const auto &members = cell.SottoCelle();
    for (std::int32_t i = 1; i <= members->Count(); ++i) {
        CCella &m = members->Item(i);
        out += indent + (m.Bordato() ? "box" : "run") + (m.ExistSottoCelle ? "*" : "") + " "
               + std::to_string(m.IndexRiga()) + " " + std::to_string(m.IndexChar()) + " "
               + std::to_string(m.Larghezza()) + " " + std::to_string(m.Altezza()) + " [" + m.Contenuto() + "]\n";
        if (m.Bordato())
            describeMembers(m, out, indent + "  ");
    }
}

inline std::string describe(CCella &cell)
{
    std::string out;
    describeMembers(cell, out);
    return out;
}

// Collects the parser's messages.
class RecordingReporter final : public ParseReporter {
public:
    void reportError(const std::string &message) override { messages.push_back(message); }
    std::vector<std::string> messages;
};

} // namespace elvaro::report::testing
