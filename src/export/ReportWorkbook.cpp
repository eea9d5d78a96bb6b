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

bool hasLatin1(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

std::string latin1ToUtf8(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

// The cells' texts from the parser's one byte per character to the workbook's UTF-8. Child
// collections shared between copies are converted once.
void contentsToUtf8(report::CCella &root)
{
    std::vector<report::CCella *> pending{&root};
    std::unordered_set<const report::SottoCelle *> converted;
    while (!pending.empty()) {
        report::CCella &cell = *pending.back();
        pending.pop_back();
        if (hasLatin1(cell.text()))
            cell.setContenuto(latin1ToUtf8(cell.text()));
        if (cell.children().Count() == 0 || !converted.insert(&cell.children()).second)
            continue;
        report::SottoCelle &children = *cell.SottoCelle();
        for (std::int32_t index = 1; index <= children.Count(); ++index)
            pending.push_back(&children.Item(index));
    }
}

} // namespace

ReportWorkbook::ReportWorkbook(std::string_view text, report::ParseReporter &reporter)
{
    report::CCella root;
    root.newCella(text, reporter);
    if (hasLatin1(text))
        contentsToUtf8(root);
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
