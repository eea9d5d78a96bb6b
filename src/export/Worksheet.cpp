#include "export/Worksheet.h"

#include "export/Application.h"
#include "export/CellValue.h"
#include "export/Workbook.h"
#include "export/WorkbookError.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

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

const CellValues &Worksheet::values() const
{
    if (m_inOrder)
        return m_values;
    // Sorted through one 64-bit key a write (row, column, then the write's place), which is far
    // cheaper than moving the texts around while sorting.
    constexpr int kPlaceBits = 30;
    constexpr int kColumnBits = 14;
    static_assert(kMaxColumns <= (1 << kColumnBits) && kMaxRows <= (1 << (64 - kPlaceBits - kColumnBits)));
    std::vector<std::uint64_t> keys;
    keys.reserve(m_values.size());
    for (std::size_t place = 0; place < m_values.size(); ++place) {
        const CellPosition &at = m_values[place].first;
        keys.push_back((static_cast<std::uint64_t>(at.row - 1) << (kColumnBits + kPlaceBits))
                       | (static_cast<std::uint64_t>(at.column - 1) << kPlaceBits) | place);
    }
    std::sort(keys.begin(), keys.end());
    // Of the writes to one cell the last one counts; an empty text leaves the cell empty.
    constexpr std::uint64_t kPlaceMask = (std::uint64_t{1} << kPlaceBits) - 1;
    CellValues ordered;
    ordered.reserve(m_values.size());
    for (std::size_t k = 0; k < keys.size(); ++k) {
        if (k + 1 < keys.size() && (keys[k] >> kPlaceBits) == (keys[k + 1] >> kPlaceBits))
            continue;
        auto &value = m_values[keys[k] & kPlaceMask];
        if (!value.second.empty())
            ordered.push_back(std::move(value));
    }
    m_values = std::move(ordered);
    m_inOrder = true;
    return m_values;
}

void Worksheet::storeValue(const CellPosition &position, std::string_view text)
{
    if (m_inOrder && !m_values.empty() && !(m_values.back().first < position))
        m_inOrder = false;
    if (m_inOrder && text.empty())
        return;
    m_values.emplace_back(position, std::string(text));
}

void Worksheet::select(const CellArea &area)
{
    m_selection = area;
    Application().activate(*this);
}

} // namespace elvaro::excel
