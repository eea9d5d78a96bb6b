#pragma once

#include "workbook/CellValue.h"

#include <xlsxwriter.h>

#include <map>
#include <string>
#include <string_view>

namespace elvaro::workbook {

// The formats of one sheet in the .xlsx writer: the sheet's alignment alone, for texts and for
// numbers in General, and with the number format of each printed form of a number, made once per
// form. The alignment is left and bottom for a sheet of the uniform format, else the writer's
// default bottom.
class SheetFormats {
public:
    // Throws WorkbookError when the writer cannot add a format.
    SheetFormats(lxw_workbook *book, bool uniformFormat);

    lxw_format *plain() const { return m_plain; }
    // The format that shows a number as it was printed (see numberFormatOf).
    lxw_format *forNumber(std::string_view printed);

private:
    lxw_format *add(const std::string &numberFormat) const;

    lxw_workbook *m_book = nullptr;
    bool m_uniformFormat = false;
    lxw_format *m_plain = nullptr;
    std::map<PrintedForm, lxw_format *> m_numbers;
};

} // namespace elvaro::workbook
