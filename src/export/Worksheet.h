#pragma once

#include "export/CellFormat.h"
#include "export/Range.h"
#include "export/SheetLimits.h"

#include <compare>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace elvaro::excel {

class Application;
class Workbook;

struct CellPosition {
    std::int32_t row = 1;
    std::int32_t column = 1;
    auto operator<=>(const CellPosition &) const = default;
};

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

    // The cells that hold a text, by row and then column; an empty cell is absent.
    const std::map<CellPosition, std::string> &values() const { return m_values; }
    // The text of one cell; empty when the cell is empty.
    std::string valueAt(std::int32_t row, std::int32_t column) const;
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
    std::map<CellPosition, std::string> m_values;
    CellFormat m_format;
    CellArea m_selection;
};

} // namespace elvaro::excel
