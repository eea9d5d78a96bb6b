#pragma once

#include "export/Worksheet.h"

#include <map>
#include <string>

namespace elvaro::testing {

// "A" for column 1, "Z" for 26, "AA" for 27...
inline std::string columnName(std::int32_t column)
{
    std::string name;
    for (; column > 0; column = (column - 1) / 26)
        name.insert(name.begin(), static_cast<char>('A' + (column - 1) % 26));
    return name;
}

// The sheet's cells as "B2" -> text, for comparing a whole sheet at once.
inline std::map<std::string, std::string> grid(const excel::Worksheet &sheet)
{
    std::map<std::string, std::string> cells;
    for (const auto &[position, text] : sheet.values())
        cells[columnName(position.column) + std::to_string(position.row)] = text;
    return cells;
}

} // namespace elvaro::testing
