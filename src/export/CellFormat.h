#pragma once

#include <cstdint>
#include <string_view>
#include <variant>

namespace elvaro::excel {

// Values of the automation constants that the format properties take.
inline constexpr std::int32_t xlLeft = -4131;
inline constexpr std::int32_t xlRight = -4152;
inline constexpr std::int32_t xlCenter = -4108;
inline constexpr std::int32_t xlGeneral = 1;
inline constexpr std::int32_t xlBottom = -4107;
inline constexpr std::int32_t xlTop = -4160;

// A property value as the automation passes it: a Boolean, a 16-bit or a 32-bit integer.
using PropertyValue = std::variant<bool, std::int16_t, std::int32_t>;

// The alignment format that a sheet gives to all of its cells.
struct CellFormat {
    std::int32_t HorizontalAlignment = xlGeneral;
    std::int32_t VerticalAlignment = xlBottom;
    bool WrapText = false;
    std::int16_t Orientation = 0;
    bool AddIndent = false;
    bool ShrinkToFit = false;
    bool MergeCells = false;

    // Sets one property by its automation name. Throws WorkbookError for an unknown name,
    // a value of the wrong kind or a value this workbook cannot represent.
    void setProperty(std::string_view name, PropertyValue value);

    bool operator==(const CellFormat &) const = default;
};

} // namespace elvaro::excel
