#include "workbook/ColumnWidths.h"

#include "export/SheetLimits.h"

#include <algorithm>

namespace elvaro::workbook {

namespace {

// Bytes that start a character: every byte but the continuation bytes of UTF-8.
std::size_t characterCount(std::string_view text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

} // namespace

std::vector<ColumnSpan> columnWidths(const CellValues &values)
{
    using excel::kMaxColumns;
    std::vector<std::size_t> longest;
    for (const auto &[position, text] : values) {
        const auto index = static_cast<std::size_t>(position.column - 1);
        if (index >= longest.size())
            longest.resize(index + 1);
        longest[index] = std::max(longest[index], characterCount(text));
    }
    std::vector<ColumnSpan> spans;
    for (std::size_t index = 0; index < longest.size(); ++index) {
        const double width = std::clamp(static_cast<double>(longest[index]) + 1, kDefaultColumnWidth, kMaxColumnWidth);
        const auto column = static_cast<std::int32_t>(index + 1);
        if (!spans.empty() && spans.back().width == width)
            spans.back().last = column;
        else
            spans.push_back({column, column, width});
    }
    const auto used = static_cast<std::int32_t>(longest.size());
    if (used == kMaxColumns)
        return spans;
    if (!spans.empty() && spans.back().width == kDefaultColumnWidth)
        spans.back().last = kMaxColumns;
    else
        spans.push_back({used + 1, kMaxColumns, kDefaultColumnWidth});
    return spans;
}

} // namespace elvaro::workbook
