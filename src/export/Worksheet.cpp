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

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
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
    if (*length > kMaxSheetNameLength)
        throw WorkbookError(shown + " is longer than " + std::to_string(kMaxSheetNameLength) + " characters.");
    if (name.find_first_of(kForbiddenInSheetName) != std::string_view::npos)
        throw WorkbookError(shown + " holds one of the characters " + forbiddenInSheetNameShown()
                            + ", which sheet names cannot hold.");
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
    // cheaper than moving the values around while sorting; then the values are put in that order
    // where they stand, cycle by cycle.
    constexpr int kPlaceBits = 30;
    constexpr int kColumnBits = 14;
    static_assert(kMaxColumns <= (1 << kColumnBits) && kMaxRows <= (1 << (64 - kPlaceBits - kColumnBits)));
    constexpr std::uint64_t kPlaceMask = (std::uint64_t{1} << kPlaceBits) - 1;
    std::vector<std::uint64_t> keys;
    keys.reserve(m_values.size());
    for (std::size_t place = 0; place < m_values.size(); ++place) {
        const CellPosition &at = m_values[place].first;
        keys.push_back((static_cast<std::uint64_t>(at.row - 1) << (kColumnBits + kPlaceBits))
                       | (static_cast<std::uint64_t>(at.column - 1) << kPlaceBits) | place);
    }
    std::sort(keys.begin(), keys.end());
    std::vector<bool> placed(m_values.size());
    for (std::size_t start = 0; start < keys.size(); ++start) {
        if (placed[start])
            continue;
        // Position `to` takes the value now at `from`, whose own position takes the next one...
        const auto first = m_values[start];
        std::size_t to = start;
        for (;;) {
            placed[to] = true;
            const std::size_t from = keys[to] & kPlaceMask;
            if (from == start) {
                m_values[to] = first;
                break;
            }
            m_values[to] = m_values[from];
            to = from;
        }
    }
    // Of the writes to one cell the last one counts; an empty text leaves the cell empty.
    std::size_t kept = 0;
    for (std::size_t k = 0; k < keys.size(); ++k) {
        const bool replaced = k + 1 < keys.size() && (keys[k] >> kPlaceBits) == (keys[k + 1] >> kPlaceBits);
        if (!replaced && !m_values[k].second.empty())
            m_values[kept++] = m_values[k];
    }
    m_values.resize(kept);
    m_inOrder = true;
    return m_values;
}

void Worksheet::storeValue(const CellPosition &position, std::string_view text)
{
    if (m_inOrder && !m_values.empty() && !(m_values.back().first < position))
        m_inOrder = false;
    if (m_inOrder && text.empty())
        return;
    // Texts are packed into blocks of this size, each followed by a NUL so that the file writer
    // can hand it on as a C string; a longer one gets a block of its own.
    constexpr std::size_t kBlockSize = 256 * 1024;
    std::string_view kept;
    if (!text.empty()) {
        const std::size_t size = text.size() + 1;
        char *at = nullptr;
        if (size > kBlockSize) {
            m_textBlocks.insert(m_textBlocks.begin(), std::make_unique_for_overwrite<char[]>(size));
            at = m_textBlocks.front().get();
        } else {
            if (m_textBlocks.empty() || m_blockFree < size) {
                m_textBlocks.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
                m_blockFree = kBlockSize;
            }
            at = m_textBlocks.back().get() + (kBlockSize - m_blockFree);
            m_blockFree -= size;
        }
        std::copy(text.begin(), text.end(), at);
        at[text.size()] = '\0';
        kept = std::string_view(at, text.size());
    }
    m_values.emplace_back(position, kept);
}

void Worksheet::select(const CellArea &area)
{
    m_selection = area;
    Application().activate(*this);
}

} // namespace elvaro::excel
