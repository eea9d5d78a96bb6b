#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace elvaro::excel {

// The size of a worksheet, of a cell's text and of a sheet's name, as the .xlsx format allows them.
inline constexpr std::int32_t kMaxRows = 1'048'576;
inline constexpr std::int32_t kMaxColumns = 16'384;
inline constexpr std::int32_t kMaxTextLength = 32'767;
inline constexpr std::size_t kMaxSheetNameLength = 31;

// The characters a sheet name cannot hold.
inline constexpr std::string_view kForbiddenInSheetName = "[]:*?/\\";

// Those characters as the messages list them, one space apart: "[ ] : * ? / \\".
inline std::string forbiddenInSheetNameShown()
{
    std::string shown;
    for (const char c : kForbiddenInSheetName) {
        if (!shown.empty())
            shown += ' ';
        shown += c;
    }
    return shown;
}

} // namespace elvaro::excel
