// Fuzzes the whole report path: bytes, the byte filter, the parse, the sorting, the export into
// an in-memory sheet, and the workbook written to a real .xlsx file. Every input must either
// succeed or end in one of the program's own errors (overflow, a sheet limit, a file that cannot
// be written).
#include "export/ReportSheet.h"
#include "export/SheetError.h"
#include "report/CCella.h"
#include "report/OverflowError.h"
#include "report/ReportFile.h"
#include "report/ReportFileError.h"
#include "system/Error.h"
#include "workbook/SheetFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// Counts the messages; the parser must keep them bounded whatever the input.
class CountingReporter final : public elvaro::report::ParseReporter {
public:
    void reportError(const std::string &) override
    {
        if (++count > 101)
            std::abort();
    }
    int count = 0;
};

const std::string &outputPath()
{
    static const std::string path = "/dev/shm/elvaro-fuzz-" + std::to_string(::getpid()) + ".xlsx";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    try {
        const std::string text = elvaro::report::decodeReport(std::string(reinterpret_cast<const char *>(data), size));
        CountingReporter reporter;
        const elvaro::excel::ReportSheet book(text, reporter);
        elvaro::workbook::saveSheet(book.sheet(), outputPath(), elvaro::workbook::FileKind::Xlsx);
    } catch (const elvaro::report::OverflowError &) {
    } catch (const elvaro::Error &) {
    }
    return 0;
}
