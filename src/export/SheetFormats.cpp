#include "export/SheetFormats.h"

#include "export/CellValue.h"
#include "export/WorkbookError.h"

namespace elvaro::excel {

SheetFormats::SheetFormats(lxw_workbook *book, const CellFormat &alignment)
    : m_book(book), m_alignment(alignment), m_plain(add({}))
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
    switch (m_alignment.HorizontalAlignment) {
    case xlLeft:
        format_set_align(added, LXW_ALIGN_LEFT);
        break;
    case xlRight:
        format_set_align(added, LXW_ALIGN_RIGHT);
        break;
    case xlCenter:
        format_set_align(added, LXW_ALIGN_CENTER);
        break;
    default:
        break;
    }
    switch (m_alignment.VerticalAlignment) {
    case xlTop:
        format_set_align(added, LXW_ALIGN_VERTICAL_TOP);
        break;
    case xlCenter:
        format_set_align(added, LXW_ALIGN_VERTICAL_CENTER);
        break;
    default:
        format_set_align(added, LXW_ALIGN_VERTICAL_BOTTOM);
        break;
    }
    if (m_alignment.WrapText)
        format_set_text_wrap(added);
    if (m_alignment.Orientation != 0)
        format_set_rotation(added, m_alignment.Orientation);
    if (m_alignment.ShrinkToFit)
        format_set_shrink(added);
    if (!numberFormat.empty())
        format_set_num_format(added, numberFormat.c_str());
    return added;
}

} // namespace elvaro::excel
