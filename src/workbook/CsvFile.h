#pragma once

#include <cstdio>

namespace elvaro::excel {
class Worksheet;
}

namespace elvaro::workbook {

// Whether a CSV file starts with the UTF-8 byte-order mark (EF BB BF), by which spreadsheet
// programs know that the file is UTF-8 and not their own 8-bit code page.
enum class ByteOrderMark { Omitted, Written };

// Writes the values of a sheet as CSV (RFC 4180): rows 1 to the last row that holds a value,
// columns 1 to the last column that holds one, fields separated by commas, each row ended by
// CR LF, a field quoted when it holds a comma, a double quote, CR or LF (quotes doubled).
// Texts are written as they are stored (UTF-8), numbers included, after the byte-order mark
// when `mark` says so. Write errors show in ferror(out).
void writeCsv(const excel::Worksheet &sheet, std::FILE *out, ByteOrderMark mark);

} // namespace elvaro::workbook
