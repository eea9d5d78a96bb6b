#pragma once

#include "export/CellFormat.h"
#include "export/Workbook.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace elvaro::excel {

class Application;

// The workbooks of an application, 1-based, in the order they were added.
class Workbooks {
public:
    explicit Workbooks(Application &parent) : m_parent(parent) {}
    Workbooks(const Workbooks &) = delete;
    Workbooks &operator=(const Workbooks &) = delete;

    // A new, empty workbook, which becomes the active one.
    Workbook &Add();
    std::int32_t Count() const { return static_cast<std::int32_t>(m_workbooks.size()); }
    // The workbook at the 1-based position; WorkbookError outside 1..Count.
    Workbook &Item(std::int32_t index) const;

private:
    Application &m_parent;
    std::vector<std::unique_ptr<Workbook>> m_workbooks;
};

// The application's current selection, whose format properties are set by name.
class Selection {
public:
    explicit Selection(Worksheet *sheet) : m_sheet(sheet) {}

    // Sets one format property on every selected cell. The whole sheet (Cells.Select) is
    // formatted at once, in constant time. Throws WorkbookError when nothing is selected, when
    // the selection is not the whole sheet, and for a property or value the format refuses.
    void setProperty(std::string_view name, PropertyValue value) const;

private:
    Worksheet *m_sheet;
};

// The spreadsheet application: a new instance holds no workbook. It has no window of its own:
// whoever holds it decides how to show its workbooks.
class Application {
public:
    Application() = default;
    Application(const Application &) = delete;
    Application &operator=(const Application &) = delete;

    excel::Workbooks &Workbooks() { return m_workbooks; }
    // The selection of the active sheet of the active workbook.
    excel::Selection Selection() const;

private:
    friend class Worksheet;
    friend class Sheets;
    friend class Workbooks;

    void activate(Worksheet &sheet);

    excel::Workbooks m_workbooks{*this};
    Workbook *m_activeWorkbook = nullptr;
};

} // namespace elvaro::excel
