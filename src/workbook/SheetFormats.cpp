#include "workbook/SheetFormats.h"

#include "workbook/WorkbookError.h"

namespace elvaro::workbook {

SheetFormats::SheetFormats(lxw_workbook *book, bool uniformFormat)
    : m_book(book), m_uniformFormat(uniformFormat), m_plain(add({}))
{}

lxw_format *SheetFormats::forNumber(std::string_view printed)
{
    const PrintedForm form = printedForm(printed);
    const auto found = m_numbers.find(form);
    if (found != m_numbers.end())
        return found->second;
    const std::string code = numberFormatOf(form);
    lxw_format *added = code.empty() ? m_plain : add(code);
    m_numbers.emplace(form, added);
    return added;
}

lxw_format *SheetFormats::add(const std::string &numberFormat) const
{
    lxw_format *added = workbook_add_format(m_book);
    if (!added)
        throw WorkbookError("cannot add a cell format: out of memory while building the workbook");
    if (m_uniformFormat)
        format_set_align(added, LXW_ALIGN_LEFT);
    format_set_align(added, LXW_ALIGN_VERTICAL_BOTTOM);
    if (!numberFormat.empty())
        format_set_num_format(added, numberFormat.c_str());
    return added;
}

} // namespace elvaro::workbook
