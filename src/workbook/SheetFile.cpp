#include "workbook/SheetFile.h"

#include "system/SystemText.h"
#include "workbook/FileError.h"
#include "workbook/FileSizeSignalIgnored.h"
#include "workbook/OutputFile.h"
#include "workbook/XlsxFile.h"

#include <cerrno>
#include <cstdio>

namespace elvaro::workbook {

namespace {

const char *const kCannotWrite = "cannot write the file";

void writeCsvTo(OutputFile &file, const excel::Worksheet &sheet, ByteOrderMark mark)
{
    std::FILE *out = ::fdopen(file.descriptor(), "wb");
    if (!out)
        throw FileError(kCannotWrite, errno);
    file.releaseDescriptor();
    writeCsv(sheet, out, mark);
    const bool failed = std::ferror(out) != 0;
    const int error = errno;
    if (std::fclose(out) != 0 || failed)
        throw FileError(kCannotWrite, failed ? error : errno);
}

} // namespace

std::optional<FileKind> fileKindOf(const std::string &path)
{
    if (system::endsWithIgnoringCase(path, ".xlsx"))
        return FileKind::Xlsx;
    if (system::endsWithIgnoringCase(path, ".csv"))
        return FileKind::Csv;
    return std::nullopt;
}

void saveSheet(const excel::Worksheet &sheet, const std::string &path, FileKind kind, ByteOrderMark csvMark)
{
    const FileSizeSignalIgnored ignored;
    OutputFile file(path);
    if (kind == FileKind::Xlsx) {
        file.closeDescriptor();
        writeXlsx(sheet, file.temporaryPath());
    } else {
        writeCsvTo(file, sheet, csvMark);
    }
    file.commit();
}

} // namespace elvaro::workbook
