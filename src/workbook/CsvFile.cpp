#include "workbook/CsvFile.h"

#include "export/Worksheet.h"

#include <algorithm>
#include <string>

namespace elvaro::workbook {

namespace {

void putField(std::string &line, std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        line += text;
        return;
    }
    line += '"';
    for (char c : text) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

} // namespace

void writeCsv(const excel::Worksheet &sheet, std::FILE *out, ByteOrderMark mark)
{
    if (mark == ByteOrderMark::Written)
        std::fputs("\xEF\xBB\xBF", out);
    const auto &values = sheet.values();
    if (values.empty())
        return;
    std::int32_t lastColumn = 1;
    for (const auto &entry : values)
        lastColumn = std::max(lastColumn, entry.first.column);
    const std::int32_t lastRow = values.rbegin()->first.row;

    auto next = values.begin();
    std::string line;
    for (std::int32_t row = 1; row <= lastRow; ++row) {
        line.clear();
        std::int32_t column = 1;
        for (; next != values.end() && next->first.row == row; ++next) {
            line.append(static_cast<std::size_t>(next->first.column - column), ',');
            column = next->first.column;
            putField(line, next->second);
        }
        line.append(static_cast<std::size_t>(lastColumn - column), ',');
        line += "\r\n";
        std::fwrite(line.data(), 1, line.size(), out);
    }
}

} // namespace elvaro::workbook
