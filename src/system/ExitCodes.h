#pragma once

// The program's exit codes, the same for the commands and the desktop program.
namespace elvaro::system {

inline constexpr int kExitSuccess = 0;
// The work failed; one line on standard error says why.
inline constexpr int kExitFailure = 1;
// The command line was wrong; nothing was done.
inline constexpr int kExitUsage = 2;

} // namespace elvaro::system
