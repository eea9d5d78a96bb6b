#pragma once

#include <string>

namespace elvaro::excel {
class Worksheet;
}

namespace elvaro::workbook {

// Writes the sheet, alone in a workbook, to an .xlsx file at `path` with libxlsxwriter: the
// values in row order (a text that reads as a plain number as a number shown as it is printed,
// every other text as text), the sheet's format as the default of all of its columns and on each
// written cell, A1 selected. The writer keeps its
// temporary files in a private working folder beside `path`, removed afterwards, and its own
// messages off standard error. The finished file is read back: throws WorkbookError with the
// reason when anything could not be written or the file came out incomplete, FileError when the
// working folder cannot be made or the file cannot be read back.
void writeXlsx(const excel::Worksheet &sheet, const std::string &path);

} // namespace elvaro::workbook
