#include "export/CellFormat.h"

#include "export/WorkbookError.h"

#include <string>

namespace elvaro::excel {

namespace {

// The steepest angle of a text, either way, in degrees.
constexpr std::int32_t kMaxOrientation = 90;

std::string quoted(std::string_view name)
{
    return "'" + std::string(name) + "'";
}

bool booleanOf(std::string_view name, const PropertyValue &value)
{
    if (const bool *flag = std::get_if<bool>(&value))
        return *flag;
    throw WorkbookError("The format property " + quoted(name) + " takes True or False.");
}

std::int32_t integerOf(std::string_view name, const PropertyValue &value)
{
    if (const auto *small = std::get_if<std::int16_t>(&value))
        return *small;
    if (const auto *large = std::get_if<std::int32_t>(&value))
        return *large;
    throw WorkbookError("The format property " + quoted(name) + " takes a number, not True or False.");
}

[[noreturn]] void unsupported(std::string_view name, const std::string &value, const std::string &allowed)
{
    throw WorkbookError("The format property " + quoted(name) + " cannot be " + value + " in this workbook; " + allowed
                        + ".");
}

} // namespace

void CellFormat::setProperty(std::string_view name, PropertyValue value)
{
    if (name == "HorizontalAlignment") {
        const std::int32_t alignment = integerOf(name, value);
        if (alignment != xlLeft && alignment != xlRight && alignment != xlCenter && alignment != xlGeneral)
            unsupported(name, std::to_string(alignment), "use xlLeft, xlRight, xlCenter or xlGeneral");
        HorizontalAlignment = alignment;
    } else if (name == "VerticalAlignment") {
        const std::int32_t alignment = integerOf(name, value);
        if (alignment != xlBottom && alignment != xlTop && alignment != xlCenter)
            unsupported(name, std::to_string(alignment), "use xlBottom, xlTop or xlCenter");
        VerticalAlignment = alignment;
    } else if (name == "Orientation") {
        const std::int32_t degrees = integerOf(name, value);
        if (degrees < -kMaxOrientation || degrees > kMaxOrientation) {
            unsupported(name, std::to_string(degrees),
                        "use an angle from " + std::to_string(-kMaxOrientation) + " to "
                            + std::to_string(kMaxOrientation) + " degrees");
        }
        Orientation = static_cast<std::int16_t>(degrees);
    } else if (name == "WrapText") {
        WrapText = booleanOf(name, value);
    } else if (name == "ShrinkToFit") {
        ShrinkToFit = booleanOf(name, value);
    } else if (name == "AddIndent") {
        if (booleanOf(name, value))
            unsupported(name, "True", "only False is supported");
        AddIndent = false;
    } else if (name == "MergeCells") {
        if (booleanOf(name, value))
            unsupported(name, "True", "cells cannot be merged here");
        MergeCells = false;
    } else {
        throw WorkbookError("Unknown format property " + quoted(name)
                            + "; the known ones are HorizontalAlignment, VerticalAlignment, WrapText, Orientation, "
                              "AddIndent, ShrinkToFit and MergeCells.");
    }
}

} // namespace elvaro::excel
