#include "export/Worksheet.h"

#include "export/SheetError.h"
#include "export/SheetLimits.h"
#include "report/Thousands.h"

#include <algorithm>
#include <string>

namespace elvaro::excel {

namespace {

// A column's name as a sheet shows it: 1 is "A", 27 "AA".
std::string columnName(std::int32_t column)
{
    std::string name;
    for (; column > 0; column = (column - 1) / 26)
        name.insert(name.begin(), static_cast<char>('A' + (column - 1) % 26));
    return name;
}

} // namespace

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

void Worksheet::setValue(std::int32_t row, std::int32_t column, std::string_view text)
{
    if (row < 1 || row > kMaxRows)
        throw SheetError("Row " + std::to_string(row) + " is outside the worksheet, whose rows run from 1 to "
                         + report::withThousands(kMaxRows) + ".");
    if (column < 1 || column > kMaxColumns)
        throw SheetError("Column " + std::to_string(column) + " is outside the worksheet, whose columns run from 1 ("
                         + columnName(1) + ") to " + report::withThousands(kMaxColumns) + " (" + columnName(kMaxColumns)
                         + ").");
    const CellPosition position{row, column};
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

} // namespace elvaro::excel
