#pragma once

#include <stdexcept>

namespace elvaro::excel {

// A workbook operation that cannot be carried out: a cell outside the sheet, a text too long
// for a cell, a bad sheet name or format property, a workbook the .xlsx writer could not write
// whole. The message says what went wrong and, where it helps, what to do.
class WorkbookError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace elvaro::excel
