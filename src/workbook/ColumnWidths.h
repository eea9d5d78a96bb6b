#pragma once

#include "export/Worksheet.h"

#include <cstdint>
#include <vector>

namespace elvaro::workbook {

using excel::CellValues;

// The widest a column is made for its texts, in characters.
inline constexpr double kMaxColumnWidth = 60;
// The width of a column of short texts or none, in characters: the spreadsheet's default.
inline constexpr double kDefaultColumnWidth = 8.43;

// Columns side by side of one width, from `first` to `last` (1-based).
struct ColumnSpan {
    std::int32_t first = 1;
    std::int32_t last = 1;
    double width = kDefaultColumnWidth;
};

// The widths of the sheet's columns, from column 1 to the last one the sheet has, in spans that do
// not overlap: each column as wide as its longest text in characters (not UTF-8 bytes) and one
// more for room, at least the default width and at most kMaxColumnWidth.
std::vector<ColumnSpan> columnWidths(const CellValues &values);

} // namespace elvaro::workbook
