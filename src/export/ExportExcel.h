#pragma once

#include "export/Worksheet.h"
#include "report/CCella.h"

#include <cstdint>

namespace elvaro::excel {

// The rows and columns of the sheet that the export of one cell took, counted from its start.
struct SheetArea {
    std::int32_t rows = 0;
    std::int32_t columns = 0;
};

// Writes the cell tree below `cell` into `xlSheet`, band 0 of the cell at row `riga`, every band
// starting at column `colonna`, and returns the rectangle it took.
//
// The members of a band go left to right, one column each (a separator text is skipped but keeps
// its column); a box of two or more cells (or whose only cell is a box) is written by the same
// walk from its place and takes as many rows and columns as its own cells took, so the next
// member of its band starts right of it. Bands go top to bottom, band b at row riga + b, moved
// down as far as needed to start below every row the bands above it took: nothing is ever written
// over another value. When line 1 of a text holds no box, it shares band 0 with line 2 only by
// the way bands are counted, so the cells found below line 1 go one band lower. Texts are trimmed
// of spaces.
//
// Every exported box ends with the whole sheet formatted left, bottom, not wrapped, and A1
// selected. Sorts the sub-cells of every box it visits. Deep nesting is walked without recursion.
//
// A grid (a box whose cells share their borders) is laid out as a table: every cell of a grid
// column starts in the same sheet column, as wide as the widest cell of the column takes, every
// cell of a grid row on the same sheet row, as high as the highest; a cell that spans columns or
// rows stands in the first of them and widens the last when they are too small for it.
// Throws report::OverflowError when a worksheet row or column leaves the 16-bit range and
// SheetError when a cell lies outside the sheet; the cells written before stay written.
SheetArea ExportExcel(report::CCella &cell, std::int16_t riga, std::int16_t colonna, Worksheet &xlSheet);

} // namespace elvaro::excel
