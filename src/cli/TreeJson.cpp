#include "cli/TreeJson.h"

#include "cli/BufferedOutput.h"
#include "report/CCella.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string_view>
#include <vector>

namespace elvaro::cli {

namespace {

bool needsEscape(unsigned char byte)
{
    return byte < 0x20 || byte == 0x7f || byte == '"' || byte == '\\';
}

void putEscaped(BufferedOutput &out, unsigned char byte)
{
    switch (byte) {
    case '"':
        out.put("\\\"");
        return;
    case '\\':
        out.put("\\\\");
        return;
    case '\n':
        out.put("\\n");
        return;
    case '\r':
        out.put("\\r");
        return;
    case '\t':
        out.put("\\t");
        return;
    default: {
        constexpr char kHex[] = "0123456789abcdef";
        const char escaped[] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0xf]};
        out.put(std::string_view(escaped, sizeof escaped));
    }
    }
}

void putString(BufferedOutput &out, std::string_view text)
{
    out.put('"');
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (!needsEscape(byte))
            continue;
        out.put(text.substr(start, i - start));
        putEscaped(out, byte);
        start = i + 1;
    }
    out.put(text.substr(start));
    out.put('"');
}

void putNumber(BufferedOutput &out, std::string_view key, std::int16_t value)
{
    out.put(key);
    char digits[8];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.put(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void putIndent(BufferedOutput &out, std::size_t depth)
{
    constexpr std::string_view kSpaces = "                                                                ";
    for (std::size_t width = depth * 2; width > 0;) {
        const std::size_t part = std::min(width, kSpaces.size());
        out.put(kSpaces.substr(0, part));
        width -= part;
    }
}

void putCellHead(BufferedOutput &out, const report::CCella &cell, std::size_t depth)
{
    putIndent(out, depth);
    out.put(cell.ExistSottoCelle ? "{\"ExistSottoCelle\": true, \"Contenuto\": "
                                 : "{\"ExistSottoCelle\": false, \"Contenuto\": ");
    putString(out, cell.Contenuto());
    out.put(cell.Bordato() ? ", \"Bordato\": true" : ", \"Bordato\": false");
    putNumber(out, ", \"Larghezza\": ", cell.Larghezza());
    putNumber(out, ", \"IndexRiga\": ", cell.IndexRiga());
    putNumber(out, ", \"IndexChar\": ", cell.IndexChar());
    putNumber(out, ", \"Altezza\": ", cell.Altezza());
    out.put(", \"SottoCelle\": [");
}

} // namespace

void writeTreeJson(const report::CCella &root, BufferedOutput &out)
{
    struct Open {
        const report::CCella *cell;
        std::int32_t next; // 1-based position of the next member to write
    };
    std::vector<Open> open;
    putCellHead(out, root, 0);
    open.push_back({&root, 1});
    // Walks the tree with an explicit stack: reports can nest boxes thousands deep.
    while (!open.empty()) {
        Open &top = open.back();
        const std::int32_t count = top.cell->children().Count();
        if (top.next <= count) {
            const report::CCella &member = top.cell->children().Item(top.next);
            out.put(top.next == 1 ? "\n" : ",\n");
            ++top.next;
            putCellHead(out, member, open.size());
            open.push_back({&member, 1});
            continue;
        }
        if (count > 0) {
            out.put('\n');
            putIndent(out, open.size() - 1);
        }
        out.put("]}");
        open.pop_back();
    }
    out.put('\n');
}

} // namespace elvaro::cli
