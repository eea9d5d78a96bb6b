#pragma once

#include "export/CellFormat.h"
#include "export/Range.h"
#include "export/SheetLimits.h"

#include <compare>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace elvaro::excel {

class Application;
class Workbook;

struct CellPosition {
    std::int32_t row = 1;
    std::int32_t column = 1;
    auto operator<=>(const CellPosition &) const = default;
};

// The texts of a sheet's cells. The texts stay where they are for as long as the sheet lives,
// and each is followed by a NUL.
using CellValues = std::vector<std::pair<CellPosition, std::string_view>>;

// One worksheet kept in memory: the texts of its cells, one format for all of its cells,
// and its selection. Cells may be written in any order and a later write replaces an earlier
// one; the file writers read the cells back in row order.
class Worksheet {
public:
    Worksheet(Workbook &parent, std::string name) : m_parent(parent), m_name(std::move(name)) {}
    Worksheet(const Worksheet &) = delete;
    Worksheet &operator=(const Worksheet &) = delete;

    const std::string &Name() const { return m_name; }
    // Renames the sheet. Throws WorkbookError for a name that a workbook cannot hold: empty,
    // longer than 31 characters, holding one of []:*?/\, starting or ending with an apostrophe,
    // or already the name of another sheet of the workbook (in any letter case).
    void setName(std::string_view name);

    // All cells of the sheet.
    Range Cells() { return Range(*this, kWholeSheet); }
    excel::Application &Application() const;
    Workbook &Parent() const { return m_parent; }

    // The cells that hold a text, by row and then column, one entry each; an empty cell is absent.
    const CellValues &values() const;
    // The format of every cell, written or empty.
    const CellFormat &format() const { return m_format; }
    const CellArea &selection() const { return m_selection; }

private:
    friend class Range;
    friend class Selection;

    static constexpr CellArea kWholeSheet{1, 1, kMaxRows, kMaxColumns};

    void storeValue(const CellPosition &position, std::string_view text);
    void select(const CellArea &area);

    Workbook &m_parent;
    std::string m_name;
    // Written in the order of the writes, and put in row order (the last write of a cell kept)
    // when they are read: one sort instead of a search per write. The texts are kept in blocks
    // that never move, packed one after the other.
    mutable CellValues m_values;
    mutable bool m_inOrder = true;
    std::vector<std::unique_ptr<char[]>> m_textBlocks;
    std::size_t m_blockFree = 0;
    CellFormat m_format;
    CellArea m_selection;
};

} // namespace elvaro::excel
