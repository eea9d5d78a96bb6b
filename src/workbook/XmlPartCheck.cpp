#include "workbook/XmlPartCheck.h"

#include <optional>

namespace elvaro::workbook {

namespace {

// Enough for the XML declaration and the root's start tag, and for its closing tag with the
// line end after it.
constexpr std::size_t kHeadSize = 1024;
constexpr std::size_t kTailSize = 256;

// Keeps the last `size` bytes of what `kept` and `piece` hold together.
void keepLast(std::string &kept, std::string_view piece, std::size_t size)
{
    if (piece.size() >= size) {
        kept.assign(piece.substr(piece.size() - size));
        return;
    }
    kept.append(piece);
    if (kept.size() > size)
        kept.erase(0, kept.size() - size);
}

// The name of the first element, past the declaration, processing instructions and comments.
std::optional<std::string> rootName(std::string_view head)
{
    std::size_t at = head.find('<');
    while (at != std::string_view::npos && at + 1 < head.size() && (head[at + 1] == '?' || head[at + 1] == '!')) {
        at = head.find('>', at);
        if (at != std::string_view::npos)
            at = head.find('<', at);
    }
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::size_t end = head.find_first_of(" \t\r\n/>", at + 1);
    if (end == std::string_view::npos || end == at + 1)
        return std::nullopt;
    return std::string(head.substr(at + 1, end - at - 1));
}

} // namespace

constexpr std::string_view kRowOpening = "<row ";
constexpr std::string_view kCellOpening = "<c ";

void XmlPartCheck::countOpenings(std::string_view piece)
{
    // An opening is counted where the bytes after its '<' are enough to tell it: in the piece, or
    // in the carried last bytes of the part joined to the start of the piece.
    const auto count = [this](std::string_view text, std::size_t at) {
        if (text.size() - at < kRowOpening.size())
            return false;
        if (text.substr(at, kRowOpening.size()) == kRowOpening)
            ++m_rows;
        else if (text.substr(at, kCellOpening.size()) == kCellOpening)
            ++m_cells;
        return true;
    };
    const std::size_t overlap = kRowOpening.size() - 1;
    std::string joint = m_carry;
    joint.append(piece.substr(0, overlap));
    for (std::size_t at = joint.find('<'); at < m_carry.size(); at = joint.find('<', at + 1))
        count(joint, at);
    for (std::size_t at = piece.find('<'); at != std::string_view::npos; at = piece.find('<', at + 1)) {
        if (!count(piece, at))
            break;
    }
    keepLast(m_carry, piece, overlap);
}

void XmlPartCheck::add(std::string_view piece)
{
    if (m_head.size() < kHeadSize)
        m_head.append(piece.substr(0, kHeadSize - m_head.size()));
    keepLast(m_tail, piece, kTailSize);
    countOpenings(piece);
}

bool XmlPartCheck::isComplete() const
{
    const std::optional<std::string> root = rootName(m_head);
    if (!root)
        return false;
    const std::size_t last = m_tail.find_last_not_of(" \t\r\n");
    return last != std::string::npos && std::string_view(m_tail).substr(0, last + 1).ends_with("</" + *root + ">");
}

} // namespace elvaro::workbook
