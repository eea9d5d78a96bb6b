#include "export/Application.h"

#include "export/WorkbookError.h"

#include <string>

namespace elvaro::excel {

namespace {

[[noreturn]] void outsideCollection(const char *what, std::int32_t index, std::int32_t count)
{
    throw WorkbookError(std::string("There is no ") + what + " at position " + std::to_string(index) + "; the " + what
                        + "s run from 1 to " + std::to_string(count) + ".");
}

} // namespace

Workbook &Workbooks::Add()
{
    m_workbooks.push_back(std::make_unique<Workbook>(m_parent));
    m_parent.m_activeWorkbook = m_workbooks.back().get();
    return *m_workbooks.back();
}

Workbook &Workbooks::Item(std::int32_t index) const
{
    if (index < 1 || index > Count())
        outsideCollection("workbook", index, Count());
    return *m_workbooks[static_cast<std::size_t>(index) - 1];
}

Worksheet &Sheets::Add()
{
    std::string name;
    for (std::int32_t n = Count() + 1;; ++n) {
        name = "Sheet" + std::to_string(n);
        bool used = false;
        for (const auto &sheet : m_sheets)
            used = used || sheet->Name() == name;
        if (!used)
            break;
    }
    m_sheets.push_back(std::make_unique<Worksheet>(m_parent, name));
    Worksheet &added = *m_sheets.back();
    m_parent.Application().activate(added);
    return added;
}

Worksheet &Sheets::Item(std::int32_t index) const
{
    if (index < 1 || index > Count())
        outsideCollection("sheet", index, Count());
    return *m_sheets[static_cast<std::size_t>(index) - 1];
}

void Selection::setProperty(std::string_view name, PropertyValue value) const
{
    if (!m_sheet)
        throw WorkbookError("Nothing is selected: add a workbook and a sheet first.");
    if (!m_sheet->selection().isWholeSheet())
        throw WorkbookError("Format properties are set here on all cells of a sheet only: select Cells first.");
    m_sheet->m_format.setProperty(name, value);
}

excel::Selection Application::Selection() const
{
    return excel::Selection(m_activeWorkbook ? m_activeWorkbook->ActiveSheet() : nullptr);
}

void Application::activate(Worksheet &sheet)
{
    m_activeWorkbook = &sheet.Parent();
    m_activeWorkbook->m_activeSheet = &sheet;
}

} // namespace elvaro::excel
