#pragma once

#include <string_view>

namespace elvaro::system {

// The program's title: the About box, message boxes given no title of their own, --version.
inline constexpr std::string_view kProgramTitle = "Elvaro-Q3 V1b";

} // namespace elvaro::system
