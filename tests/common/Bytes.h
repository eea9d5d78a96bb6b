#pragma once

#include "report/ByteFilter.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace elvaro::testing {

// Bytes by their values, as the instrument sends them: bytes({218, 196, 191}).
inline std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (const int value : values)
        out.push_back(static_cast<char>(value));
    return out;
}

// `piece` written `count` times.
inline std::string repeated(int count, std::string_view piece)
{
    std::string text;
    while (count-- > 0)
        text += piece;
    return text;
}

// What the byte filter makes of received bytes.
inline std::string filtered(std::string_view received)
{
    std::string text;
    report::appendFiltered(text, received);
    return text;
}

} // namespace elvaro::testing
