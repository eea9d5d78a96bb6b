#include "export/ReportSheet.h"

#include "export/ExportExcel.h"

namespace elvaro::excel {

ReportSheet::ReportSheet(std::string_view text, report::ParseReporter &reporter)
{
    report::CCella root;
    root.newCella(text, reporter);
    ExportExcel(root, 1, 1, m_sheet);
}

} // namespace elvaro::excel
