#pragma once

#include "system/Error.h"

namespace elvaro::workbook {

// A workbook that the .xlsx writer could not write whole: a part cut short by a full disk or a
// file-size limit, a text too long once stored. The message says what went wrong and what to do.
class WorkbookError : public Error {
public:
    using Error::Error;
};

} // namespace elvaro::workbook
