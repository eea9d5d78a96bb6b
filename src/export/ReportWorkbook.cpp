#include "export/ReportWorkbook.h"

#include "export/ExportExcel.h"
#include "export/Workbook.h"

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <unordered_set>
#include <vector>

namespace elvaro::excel {

namespace {

// The cells of the tree, each collection counted once: at most that many values are written.
std::size_t cellCount(const report::CCella &root)
{
    std::size_t count = 0;
    std::vector<const report::SottoCelle *> pending{&root.children()};
    std::unordered_set<const report::SottoCelle *> counted;
    while (!pending.empty()) {
        const report::SottoCelle &members = *pending.back();
        pending.pop_back();
        if (!counted.insert(&members).second)
            continue;
        count += static_cast<std::size_t>(members.Count());
        for (std::int32_t index = 1; index <= members.Count(); ++index) {
            if (members.Item(index).isBordered())
                pending.push_back(&members.Item(index).children());
        }
    }
    return count + 1;
}

} // namespace

ReportWorkbook::ReportWorkbook(std::string_view text, report::ParseReporter &reporter)
{
    report::CCella root;
    root.newCella(text, reporter);
    m_workbook = &m_application.Workbooks().Add();
    m_sheet = &m_workbook->Sheets().Add();
    m_sheet->setName(kSheetName);
    m_sheet->reserveValues(cellCount(root));
    ExportExcel(root, 1, 1, *m_sheet);
}

void ReportWorkbook::saveAs(const std::string &path) const
{
    // Past a file-size limit a write then fails with an error that is reported and cleaned up,
    // instead of the signal ending the program with a temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    m_workbook->SaveAs(path);
}

} // namespace elvaro::excel
