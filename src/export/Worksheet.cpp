#include "export/Worksheet.h"

#include "export/Application.h"
#include "export/CellValue.h"
#include "export/Workbook.h"
#include "export/WorkbookError.h"

#include <algorithm>
#include <cctype>

namespace elvaro::excel {

namespace {

constexpr std::size_t kMaxNameLength = 31;
constexpr std::string_view kForbiddenInName = "[]:*?/\\";

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

} // namespace

void Worksheet::setName(std::string_view name)
{
    const std::string shown = "The sheet name '" + std::string(name) + "'";
    const std::optional<std::size_t> length = utf8Length(name);
    if (!length)
        throw WorkbookError(shown + " is not valid UTF-8.");
    if (*length == 0)
        throw WorkbookError("A sheet name cannot be empty.");
    if (*length > kMaxNameLength)
        throw WorkbookError(shown + " is longer than 31 characters.");
    if (name.find_first_of(kForbiddenInName) != std::string_view::npos)
        throw WorkbookError(shown + " holds one of the characters [ ] : * ? / \\, which sheet names cannot hold.");
    if (name.front() == '\'' || name.back() == '\'')
        throw WorkbookError(shown + " starts or ends with an apostrophe, which sheet names cannot do.");
    const excel::Sheets &sheets = m_parent.Sheets();
    for (std::int32_t i = 1; i <= sheets.Count(); ++i) {
        const Worksheet &other = sheets.Item(i);
        if (&other != this && sameIgnoringCase(other.Name(), name))
            throw WorkbookError(shown + " is already used by another sheet of the workbook.");
    }
    m_name = name;
}

excel::Application &Worksheet::Application() const
{
    return m_parent.Application();
}

std::string Worksheet::valueAt(std::int32_t row, std::int32_t column) const
{
    const auto found = m_values.find(CellPosition{row, column});
    return found == m_values.end() ? std::string() : found->second;
}

void Worksheet::storeValue(const CellPosition &position, std::string_view text)
{
    if (text.empty()) {
        m_values.erase(position);
        return;
    }
    m_values.insert_or_assign(position, std::string(text));
}

void Worksheet::select(const CellArea &area)
{
    m_selection = area;
    Application().activate(*this);
}

} // namespace elvaro::excel
