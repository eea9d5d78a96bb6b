#pragma once

#include <cstdint>

// The instrument's serial line: 9600 baud, no parity, 8 data bits, 1 stop bit, no flow control.
namespace elvaro::serial {

constexpr std::int32_t kLineBaudRate = 9600;
// What one byte takes on the line: a start bit, 8 data bits and a stop bit.
constexpr int kLineBitsPerByte = 10;

} // namespace elvaro::serial
