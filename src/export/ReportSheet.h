#pragma once

#include "export/Worksheet.h"
#include "report/CCella.h"

#include <string_view>

namespace elvaro::excel {

// The name of the one worksheet that an export writes.
inline constexpr std::string_view kSheetName = "Downloaded";

// A report laid into a new sheet: the report text parsed into its cell tree, and the tree written
// into the sheet "Downloaded" from A1. EXPORT in the window, `convert`, the fuzzer and the
// benchmark all go this one way, so the same text always gives the same sheet.
class ReportSheet {
public:
    // `text` is report text in UTF-8, as report files and the report view give it. Each box
    // without a bottom border is reported to `reporter` and the export goes on. Throws
    // report::OverflowError when the report leaves the program's limits, SheetError when a cell
    // lies outside the sheet, std::bad_alloc when memory runs out.
    ReportSheet(std::string_view text, report::ParseReporter &reporter);

    const Worksheet &sheet() const { return m_sheet; }

private:
    Worksheet m_sheet{std::string(kSheetName)};
};

} // namespace elvaro::excel
