#pragma once

#include <string>
#include <string_view>

namespace elvaro::report {

// The instrument's byte filter. Bytes below 128 pass unchanged. The line-drawing bytes of code
// page 437 become the characters the parser reads boxes by: 196 (horizontal line) '-', 205 (double
// horizontal line) '=', 179 and 186 (single and double vertical lines) '|', and every other
// line-drawing byte from 180 to 218 (corners, junctions and tees, single, double and mixed) '+'.
// Every other byte from 128 up becomes the code page 437 character it stands for (accented
// letters, degree, plus-minus, micro, Greek letters, shading and blocks), written in UTF-8: one
// character, and so one column of the report, per byte.

// The filtered form of one byte, in UTF-8 (one to three bytes).
std::string_view filterByte(unsigned char byte);

// Appends the filtered form of every byte of `bytes` to `out`.
void appendFiltered(std::string &out, std::string_view bytes);

} // namespace elvaro::report
