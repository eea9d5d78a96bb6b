#include "report/Int16.h"

namespace elvaro::report {

void throwOverflow(long long value, const char *what)
{
    throw OverflowError(std::string("Overflow: the ") + what + " would be " + std::to_string(value)
                        + ", outside the 16-bit range " + std::to_string(std::numeric_limits<std::int16_t>::min())
                        + " to " + std::to_string(std::numeric_limits<std::int16_t>::max()));
}

} // namespace elvaro::report
