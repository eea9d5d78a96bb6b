#pragma once

#include <string_view>

// The parts of elvaro-q3 that load Qt, each a program of its own beside the entry: installed in
// the program's libexec folder, in the build tree in the folder libexec/elvaro-q3 beside the entry.
namespace elvaro::cli {

inline constexpr std::string_view kDesktopProgram = "elvaro-q3-desktop";
inline constexpr std::string_view kSerialProgram = "elvaro-q3-serial";

// Replaces this process by the part `name`, given the same arguments (argv[0] included, so that
// the window keeps the program's name). Returns only when it cannot: the reason is then told on
// standard error and the failure exit code returned.
int continueInPart(std::string_view name, char **argv);

} // namespace elvaro::cli
