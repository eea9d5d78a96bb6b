#pragma once

#include <compare>
#include <cstdint>
#include <string_view>

namespace elvaro::excel {

class Worksheet;

// A rectangle of cells, 1-based, first and last row and column included.
struct CellArea {
    std::int32_t firstRow = 1;
    std::int32_t firstColumn = 1;
    std::int32_t lastRow = 1;
    std::int32_t lastColumn = 1;

    bool isSingleCell() const { return firstRow == lastRow && firstColumn == lastColumn; }
    bool isWholeSheet() const;
    bool operator==(const CellArea &) const = default;
};

// Cells of one worksheet, as the automation's Range: the whole sheet (Worksheet.Cells)
// or a single cell reached through Item.
class Range {
public:
    Range(Worksheet &sheet, const CellArea &area) : m_sheet(&sheet), m_area(area) {}

    // The single cell at (row, column), counted from 1 at the range's top-left cell.
    // Throws WorkbookError when the cell lies outside the sheet.
    Range Item(std::int32_t row, std::int32_t column) const;
    // As above with a real-valued column: the nearest whole column, halves to the even one,
    // as the automation converts it.
    Range Item(std::int32_t row, double column) const;

    // Stores the text in this single cell, replacing what it held; an empty text leaves the
    // cell empty. Throws WorkbookError for a range of more than one cell, a text of more than
    // 32,767 characters or a text that is not UTF-8.
    void setValue(std::string_view text) const;

    // Makes this range the selection of its sheet and that sheet the active one.
    void Select() const;

private:
    Worksheet *m_sheet;
    CellArea m_area;
};

} // namespace elvaro::excel
