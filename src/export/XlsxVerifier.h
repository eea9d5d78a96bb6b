#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace elvaro::excel {

// What one sheet of a workbook was given: the rows that hold a cell, and the cells.
struct SheetContents {
    std::int64_t rows = 0;
    std::int64_t cells = 0;
};

// Reads a finished .xlsx file back and says what is wrong with it, or nothing when it is whole:
// its zip directory holds together, every part unpacks with the right check sum and size, every
// XML part ends with its root's closing tag, the workbook and each sheet are there, and sheet i
// (xl/worksheets/sheet<i>.xml) holds sheets[i - 1]'s rows and cells. Throws FileError when
// the file cannot be read at all.
std::optional<std::string> verifyXlsx(const std::string &path, const std::vector<SheetContents> &sheets);

} // namespace elvaro::excel
