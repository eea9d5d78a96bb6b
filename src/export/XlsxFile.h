#pragma once

#include <string>

namespace elvaro::excel {

class Workbook;

// Writes every sheet of the workbook to an .xlsx file at `path` with libxlsxwriter: the
// values in row order (a text that reads as a plain number as a number, every other text as
// text), each sheet's format as the default of all of its columns and on each written cell,
// each sheet's selection, and the active sheet. Throws WorkbookError with the reason.
void writeXlsx(const Workbook &workbook, const std::string &path);

} // namespace elvaro::excel
