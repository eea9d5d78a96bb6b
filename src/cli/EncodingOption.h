#pragma once

#include "cli/CommandLine.h"
#include "report/ReportEncoding.h"

namespace elvaro::cli {

// The line of a command's usage that tells how a report file is read, and the option that
// forces one reading.
inline constexpr const char *kEncodingUsage =
    "  --encoding cp437|utf-8   read the report in this encoding. By default a file is read as UTF-8\n"
    "                           when all of it is valid UTF-8 and it holds a character beyond ASCII,\n"
    "                           otherwise as the instrument's code page 437\n";

// Adds --encoding to `parser`; the value read goes to `encoding`.
void addEncodingOption(OptionParser &parser, report::ReportEncoding &encoding);

} // namespace elvaro::cli
