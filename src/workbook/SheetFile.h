#pragma once

#include "workbook/CsvFile.h"

#include <optional>
#include <string>

namespace elvaro::excel {
class Worksheet;
}

namespace elvaro::workbook {

enum class FileKind { Xlsx, Csv };

// The kind of file a name asks for by its suffix, .xlsx or .csv in any letter case; nothing for
// another name.
std::optional<FileKind> fileKindOf(const std::string &path);

// Saves the sheet to `path`: as a workbook (.xlsx), read back before it counts as written, or as
// its values (.csv, after the byte-order mark when `csvMark` says so). EXPORT and `convert` both
// save this way. The file appears whole or not at all and replaces a file of that name only on
// success, keeping its permissions; the temporary files go on failure and on a stop signal, and a
// file-size limit fails the write instead of ending the program. Throws WorkbookError or
// FileError with the reason.
void saveSheet(const excel::Worksheet &sheet, const std::string &path, FileKind kind,
               ByteOrderMark csvMark = ByteOrderMark::Omitted);

} // namespace elvaro::workbook
