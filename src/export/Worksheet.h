#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace elvaro::excel {

struct CellPosition {
    std::int32_t row = 1;
    std::int32_t column = 1;
    auto operator<=>(const CellPosition &) const = default;
};

// The texts of a sheet's cells. The texts stay where they are for as long as the sheet lives,
// and each is followed by a NUL.
using CellValues = std::vector<std::pair<CellPosition, std::string_view>>;

// One worksheet kept in memory: its name, the texts of its cells and whether all of its cells
// have the uniform format (left and bottom aligned, not wrapped, not rotated, not indented, not
// shrunk, none merged, A1 selected). Cells may be written in any order and a later write replaces
// an earlier one; the file writers read the cells back in row order.
class Worksheet {
public:
    explicit Worksheet(std::string name) : m_name(std::move(name)) {}
    Worksheet(const Worksheet &) = delete;
    Worksheet &operator=(const Worksheet &) = delete;

    const std::string &name() const { return m_name; }

    // Stores the text at (row, column), counted from 1, replacing what the cell held; an empty
    // text leaves the cell empty. Throws SheetError when the cell lies outside the sheet.
    void setValue(std::int32_t row, std::int32_t column, std::string_view text);
    void applyUniformFormat() { m_uniformFormat = true; }
    bool hasUniformFormat() const { return m_uniformFormat; }

    // The cells that hold a text, by row and then column, one entry each; an empty cell is absent.
    const CellValues &values() const;

private:
    std::string m_name;
    // Written in the order of the writes, and put in row order (the last write of a cell kept)
    // when they are read: one sort instead of a search per write. The texts are kept in blocks
    // that never move, packed one after the other.
    mutable CellValues m_values;
    mutable bool m_inOrder = true;
    std::vector<std::unique_ptr<char[]>> m_textBlocks;
    std::size_t m_blockFree = 0;
    bool m_uniformFormat = false;
};

} // namespace elvaro::excel
