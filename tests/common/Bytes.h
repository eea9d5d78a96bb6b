#pragma once

#include <initializer_list>
#include <string>

namespace elvaro::testing {

// Bytes by their values, as the instrument sends them: bytes({218, 196, 191}).
inline std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (const int value : values)
        out.push_back(static_cast<char>(value));
    return out;
}

} // namespace elvaro::testing
