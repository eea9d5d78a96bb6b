#include "export/Range.h"

#include "export/CellValue.h"
#include "export/SheetLimits.h"
#include "export/WorkbookError.h"
#include "export/Worksheet.h"
#include "report/Thousands.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace elvaro::excel {

namespace {

using report::withThousands;

// A column's name as a sheet shows it: 1 is "A", 27 "AA".
std::string columnName(std::int32_t column)
{
    std::string name;
    for (; column > 0; column = (column - 1) / 26)
        name.insert(name.begin(), static_cast<char>('A' + (column - 1) % 26));
    return name;
}

std::int32_t checkedRow(long long row)
{
    if (row < 1 || row > kMaxRows) {
        throw WorkbookError("Row " + std::to_string(row) + " is outside the worksheet, whose rows run from 1 to "
                            + withThousands(kMaxRows) + ".");
    }
    return static_cast<std::int32_t>(row);
}

[[noreturn]] void outsideColumns(const std::string &column)
{
    throw WorkbookError("Column " + column + " is outside the worksheet, whose columns run from 1 (" + columnName(1)
                        + ") to " + withThousands(kMaxColumns) + " (" + columnName(kMaxColumns) + ").");
}

std::int32_t checkedColumn(long long column)
{
    if (column < 1 || column > kMaxColumns)
        outsideColumns(std::to_string(column));
    return static_cast<std::int32_t>(column);
}

// Rounds to the nearest whole number, a half to the even neighbour, whatever the
// floating-point rounding mode in force.
double roundHalfEven(double value)
{
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction < 0.5)
        return lower;
    if (fraction > 0.5)
        return lower + 1;
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

} // namespace

bool CellArea::isWholeSheet() const
{
    return firstRow == 1 && firstColumn == 1 && lastRow == kMaxRows && lastColumn == kMaxColumns;
}

Range Range::Item(std::int32_t row, std::int32_t column) const
{
    const std::int32_t absoluteRow = checkedRow(static_cast<long long>(m_area.firstRow) + row - 1);
    const std::int32_t absoluteColumn = checkedColumn(static_cast<long long>(m_area.firstColumn) + column - 1);
    return Range(*m_sheet, CellArea{absoluteRow, absoluteColumn, absoluteRow, absoluteColumn});
}

Range Range::Item(std::int32_t row, double column) const
{
    const double whole = roundHalfEven(column);
    // Beyond this the column is outside any sheet, and the conversion below stays defined.
    constexpr double kFarOut = 1e9;
    if (!std::isfinite(column) || std::fabs(whole) > kFarOut) {
        char shown[32];
        std::snprintf(shown, sizeof shown, "%g", column);
        outsideColumns(shown);
    }
    return Item(row, static_cast<std::int32_t>(whole));
}

void Range::setValue(std::string_view text) const
{
    if (!m_area.isSingleCell())
        throw WorkbookError("A value can be set on a single cell only; reach it with Cells.Item(row, column).");
    const std::optional<std::size_t> length = utf8Length(text);
    if (!length || *length > static_cast<std::size_t>(kMaxTextLength)) {
        const std::string where =
            "The text for row " + std::to_string(m_area.firstRow) + ", column " + std::to_string(m_area.firstColumn);
        if (!length)
            throw WorkbookError(where + " is not valid UTF-8.");
        throw WorkbookError(where + " has " + std::to_string(*length) + " characters; a worksheet cell holds at most "
                            + withThousands(kMaxTextLength) + ".");
    }
    m_sheet->storeValue(CellPosition{m_area.firstRow, m_area.firstColumn}, text);
}

void Range::Select() const
{
    m_sheet->select(m_area);
}

} // namespace elvaro::excel
