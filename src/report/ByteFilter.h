#pragma once

#include <string>
#include <string_view>

namespace elvaro::report {

// The instrument's byte filter: bytes below 128 pass unchanged, 196 (horizontal line)
// becomes '-', 179 (vertical line) becomes '|', every other byte from 128 up becomes '+'.
constexpr char filterByte(unsigned char byte)
{
    if (byte < 128)
        return static_cast<char>(byte);
    if (byte == 196)
        return '-';
    if (byte == 179)
        return '|';
    return '+';
}

// Appends the filtered form of every byte of `bytes` to `out`: one character per byte.
void appendFiltered(std::string &out, std::string_view bytes);

std::string filterBytes(std::string_view bytes);
// Filters every byte of `text` where it stands.
void filterInPlace(std::string &text);

} // namespace elvaro::report
