#pragma once

namespace elvaro::cli {

// The line speeds `simulate --baud` takes.
inline constexpr int kMinBaudRate = 50;
inline constexpr int kMaxBaudRate = 100'000'000;

} // namespace elvaro::cli
