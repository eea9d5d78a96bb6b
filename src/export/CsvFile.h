#pragma once

#include <cstdio>

namespace elvaro::excel {

class Worksheet;

// Writes the values of a sheet as CSV (RFC 4180): rows 1 to the last row that holds a value,
// columns 1 to the last column that holds one, fields separated by commas, each row ended by
// CR LF, a field quoted when it holds a comma, a double quote, CR or LF (quotes doubled).
// Texts are written as they are stored, numbers included. Write errors show in ferror(out).
void writeCsv(const Worksheet &sheet, std::FILE *out);

} // namespace elvaro::excel
