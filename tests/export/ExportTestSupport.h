#pragma once

#include "export/ExportExcel.h"
#include "export/Worksheet.h"
#include "report/ReportTestSupport.h"

#include <map>
#include <string>

namespace elvaro::testing {

using report::CCella;
using Grid = std::map<std::string, std::string>;

// Appends a cell as the parser leaves a text run and returns the copy that the tree holds.
inline CCella &addCell(CCella &parent, const std::string &text, std::int16_t band, std::int16_t column)
{
    CCella cell;
    cell.setContenuto(text);
    cell.setIndexRiga(band);
    cell.setIndexChar(column);
    parent.SottoCelle()->AddC(cell);
    return parent.SottoCelle()->Item(parent.children().Count());
}

// A cell's name as a sheet shows it: row 2 of column 28 is "AB2".
inline std::string cellName(std::int32_t row, std::int32_t column)
{
    std::string name;
    for (; column > 0; column = (column - 1) / 26)
        name.insert(name.begin(), static_cast<char>('A' + (column - 1) % 26));
    return name + std::to_string(row);
}

inline Grid grid(const excel::Worksheet &sheet)
{
    Grid cells;
    for (const auto &[position, text] : sheet.values())
        cells[cellName(position.row, position.column)] = text;
    return cells;
}

// The cells of the report text parsed and laid into a fresh sheet from A1.
inline Grid exportedGrid(const std::string &text)
{
    CCella root;
    report::testing::RecordingReporter reporter;
    root.newCella(text, reporter);
    excel::Worksheet sheet("Downloaded");
    excel::ExportExcel(root, 1, 1, sheet);
    return grid(sheet);
}

} // namespace elvaro::testing
