#include "export/ReportWorkbook.h"

#include "export/ExportExcel.h"
#include "export/Workbook.h"

#include <csignal>

namespace elvaro::excel {

ReportWorkbook::ReportWorkbook(std::string_view text, report::ParseReporter &reporter)
{
    report::CCella root;
    root.newCella(text, reporter);
    m_workbook = &m_application.Workbooks().Add();
    m_sheet = &m_workbook->Sheets().Add();
    m_sheet->setName(kSheetName);
    ExportExcel(root, 1, 1, *m_sheet);
}

void ReportWorkbook::saveAs(const std::string &path, ByteOrderMark csvMark) const
{
    // Past a file-size limit a write then fails with an error that is reported and cleaned up,
    // instead of the signal ending the program with a temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    m_workbook->SaveAs(path, csvMark);
}

} // namespace elvaro::excel
