#pragma once

#include "system/Error.h"

namespace elvaro::excel {

// A cell that the sheet cannot hold: one outside its rows or columns. The message names the cell
// and the sheet's bounds.
class SheetError : public Error {
public:
    using Error::Error;
};

} // namespace elvaro::excel
