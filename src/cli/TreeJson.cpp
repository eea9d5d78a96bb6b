#include "cli/TreeJson.h"

#include "report/CCella.h"

#include <cstdio>
#include <vector>

namespace elvaro::cli {

namespace {

void appendJsonString(std::string &out, const std::string &text)
{
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20 || byte == 0x7f) {
                // Control characters; the cells' texts are UTF-8, written as they are.
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

void appendIndent(std::string &out, std::size_t depth)
{
    out.append(depth * 2, ' ');
}

void appendCellHead(std::string &out, const report::CCella &cell, std::size_t depth)
{
    appendIndent(out, depth);
    out += "{\"ExistSottoCelle\": ";
    out += cell.ExistSottoCelle ? "true" : "false";
    out += ", \"Contenuto\": ";
    appendJsonString(out, cell.Contenuto());
    out += ", \"Bordato\": ";
    out += cell.Bordato() ? "true" : "false";
    out += ", \"Larghezza\": " + std::to_string(cell.Larghezza());
    out += ", \"IndexRiga\": " + std::to_string(cell.IndexRiga());
    out += ", \"IndexChar\": " + std::to_string(cell.IndexChar());
    out += ", \"Altezza\": " + std::to_string(cell.Altezza());
    out += ", \"SottoCelle\": [";
}

std::int32_t memberCount(const report::CCella &cell)
{
    return cell.children().Count();
}

} // namespace

std::string treeToJson(const report::CCella &root)
{
    struct Open {
        const report::CCella *cell;
        std::int32_t next; // 1-based position of the next member to write
    };
    std::string out;
    std::vector<Open> open;
    appendCellHead(out, root, 0);
    open.push_back({&root, 1});
    // Walks the tree with an explicit stack: reports can nest boxes thousands deep.
    while (!open.empty()) {
        Open &top = open.back();
        const std::int32_t count = memberCount(*top.cell);
        if (top.next <= count) {
            const report::CCella &member = top.cell->children().Item(top.next);
            out += top.next == 1 ? "\n" : ",\n";
            ++top.next;
            appendCellHead(out, member, open.size());
            open.push_back({&member, 1});
            continue;
        }
        if (count > 0) {
            out += '\n';
            appendIndent(out, open.size() - 1);
        }
        out += "]}";
        open.pop_back();
    }
    out += '\n';
    return out;
}

} // namespace elvaro::cli
