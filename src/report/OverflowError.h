#pragma once

#include <stdexcept>
#include <string>

namespace elvaro::report {

// The program's overflow error: a 16-bit quantity (a line number, a column, a position,
// a worksheet row...) left the range -32,768..32,767. The message names the quantity.
class OverflowError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace elvaro::report
