#pragma once

#include "export/Worksheet.h"
#include "report/CCella.h"

#include <cstdint>

namespace elvaro::excel {

// Writes the cell tree below `cell` into `xlSheet`: band b of the cell to row riga + b, the
// cells of a band to consecutive columns from `colonna`, boxes of two or more cells (and boxes
// whose only cell is a box) by the same walk from the place they take, texts trimmed of spaces,
// separator texts skipped with their column kept. Later writes replace earlier ones. Every
// exported box ends with the whole sheet formatted left, bottom, not wrapped and A1 selected.
// Sorts the sub-cells of every box it visits. Deep nesting is walked without recursion.
// Throws report::OverflowError when a worksheet row or column leaves the 16-bit range and
// WorkbookError when a cell lies outside the sheet or a text is too long; the cells written
// before stay written.
void ExportExcel(report::CCella &cell, std::int16_t riga, std::int16_t colonna, Worksheet &xlSheet);

} // namespace elvaro::excel
