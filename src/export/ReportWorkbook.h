#pragma once

#include "export/Application.h"
#include "export/CsvFile.h"
#include "report/CCella.h"

#include <string>
#include <string_view>

namespace elvaro::excel {

// The name of the one worksheet that an export writes.
inline constexpr std::string_view kSheetName = "Downloaded";

// A report exported to a new workbook: the report text parsed into its cell tree, and the tree
// written into the sheet "Downloaded" from A1. EXPORT in the window, `convert`, the fuzzer and
// the benchmark all go this one way, so the same text always gives the same workbook.
class ReportWorkbook {
public:
    // `text` is report text in UTF-8, as report files and the report view give it. Each box
    // without a bottom border is reported to `reporter` and the export goes on. Throws
    // report::OverflowError when the report leaves the program's limits, WorkbookError when a
    // cell cannot be written, std::bad_alloc when memory runs out.
    ReportWorkbook(std::string_view text, report::ParseReporter &reporter);
    ReportWorkbook(const ReportWorkbook &) = delete;
    ReportWorkbook &operator=(const ReportWorkbook &) = delete;

    const Workbook &workbook() const { return *m_workbook; }
    const Worksheet &sheet() const { return *m_sheet; }

    // Writes the workbook to `path`: .xlsx the whole workbook, .csv the sheet's values. The file
    // appears whole or not at all; `csvMark` tells whether a .csv file starts with the UTF-8
    // byte-order mark. Throws WorkbookError or FileError with the reason.
    void saveAs(const std::string &path, ByteOrderMark csvMark = ByteOrderMark::Omitted) const;

private:
    Application m_application;
    Workbook *m_workbook = nullptr;
    Worksheet *m_sheet = nullptr;
};

} // namespace elvaro::excel
