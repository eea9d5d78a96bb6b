#include "report/Int16.h"

namespace elvaro::report {

void throwOverflow(long long value, const char *what)
{
    throw OverflowError(std::string("Overflow: the ") + what + " would be " + std::to_string(value)
                        + ", outside the 16-bit range -32768 to 32767");
}

} // namespace elvaro::report
