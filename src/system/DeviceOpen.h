#pragma once

#include <fcntl.h>

namespace elvaro::system {

// How a serial or pseudo-terminal device is opened: O_NONBLOCK keeps the open from waiting for a
// carrier, O_NOCTTY keeps the device from becoming the program's controlling terminal, and
// O_CLOEXEC keeps it from leaking into programs started meanwhile (the spreadsheet viewer).
inline constexpr int kDeviceOpenFlags = O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;

} // namespace elvaro::system
