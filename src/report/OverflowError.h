#pragma once

#include "system/Error.h"

namespace elvaro::report {

// The program's overflow error: a 16-bit quantity (a line number, a column, a position,
// a worksheet row...) left the range -32,768..32,767. The message names the quantity.
class OverflowError : public Error {
public:
    using Error::Error;
};

} // namespace elvaro::report
