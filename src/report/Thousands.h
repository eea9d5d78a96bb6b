#pragma once

#include <cstdint>
#include <string>

namespace elvaro::report {

// A count as the messages show it, digits grouped by three with commas: 32766 as "32,766".
std::string withThousands(std::uint64_t value);

} // namespace elvaro::report
