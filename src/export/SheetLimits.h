#pragma once

#include <cstdint>

namespace elvaro::excel {

// The size of a worksheet and of a cell's text, as the .xlsx format allows them.
inline constexpr std::int32_t kMaxRows = 1'048'576;
inline constexpr std::int32_t kMaxColumns = 16'384;
inline constexpr std::int32_t kMaxTextLength = 32'767;

} // namespace elvaro::excel
