#include "export/Workbook.h"

#include "export/CsvFile.h"
#include "export/FileError.h"
#include "export/OutputFile.h"
#include "export/WorkbookError.h"
#include "export/XlsxFile.h"
#include "system/SystemText.h"

#include <cerrno>
#include <cstdio>

namespace elvaro::excel {

namespace {

enum class FileKind { Xlsx, Csv };

const char *const kCannotWrite = "cannot write the file";

FileKind fileKindOf(const std::string &path)
{
    if (system::endsWithIgnoringCase(path, ".xlsx"))
        return FileKind::Xlsx;
    if (system::endsWithIgnoringCase(path, ".csv"))
        return FileKind::Csv;
    throw WorkbookError("cannot tell the file type: give a name ending in .xlsx or .csv");
}

void writeCsvTo(OutputFile &file, const Worksheet &sheet, ByteOrderMark mark)
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

void Workbook::SaveAs(const std::string &path, ByteOrderMark csvMark) const
{
    const FileKind kind = fileKindOf(path);
    if (!m_activeSheet)
        throw WorkbookError("the workbook has no sheet; add one before saving");
    OutputFile file(path);
    if (kind == FileKind::Xlsx) {
        file.closeDescriptor();
        writeXlsx(*this, file.temporaryPath());
    } else {
        writeCsvTo(file, *m_activeSheet, csvMark);
    }
    file.commit();
}

} // namespace elvaro::excel
