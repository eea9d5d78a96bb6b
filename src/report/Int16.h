#pragma once

#include "report/OverflowError.h"

#include <cstdint>
#include <limits>
#include <string>

namespace elvaro::report {

// Raises OverflowError: the quantity `what` would take `value`, which 16 bits cannot hold.
[[noreturn]] void throwOverflow(long long value, const char *what);

// Checks that a value fits in 16 bits signed; raises OverflowError naming `what` otherwise.
inline std::int16_t checked16(long long value, const char *what)
{
    if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max())
        throwOverflow(value, what);
    return static_cast<std::int16_t>(value);
}

// A 16-bit signed quantity whose arithmetic raises OverflowError instead of wrapping.
// It carries the name of what it counts so that the error says what overflowed.
class Int16 {
public:
    constexpr explicit Int16(const char *what, std::int16_t value = 0) : m_what(what), m_value(value) {}
    Int16(const char *what, long long value) : m_what(what), m_value(checked16(value, what)) {}

    constexpr operator std::int16_t() const { return m_value; }

    Int16 &operator=(long long value)
    {
        m_value = checked16(value, m_what);
        return *this;
    }
    Int16 &operator+=(long long delta) { return *this = static_cast<long long>(m_value) + delta; }
    Int16 &operator-=(long long delta) { return *this = static_cast<long long>(m_value) - delta; }
    Int16 &operator++() { return *this += 1; }
    Int16 &operator--() { return *this -= 1; }

private:
    const char *m_what;
    std::int16_t m_value;
};

} // namespace elvaro::report
