#pragma once

#include <cstdint>
#include <string>

namespace elvaro::workbook {

// What the sheet of a workbook was given: the rows that hold a cell, and the cells.
struct SheetContents {
    std::int64_t rows = 0;
    std::int64_t cells = 0;
};

// Reads a finished .xlsx file back through minizip and makes sure it is whole: its zip directory
// reads, every part unpacks to its recorded size with its check sum, every XML part ends with its
// root's closing tag, the workbook and its sheet are there, and the sheet
// (xl/worksheets/sheet1.xml) holds the rows and cells of `sheet`. Throws WorkbookError saying what
// is wrong, FileError when the file cannot be read at all.
void verifyXlsx(const std::string &path, const SheetContents &sheet);

} // namespace elvaro::workbook
