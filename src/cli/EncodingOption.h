#pragma once

#include "cli/CommandLine.h"
#include "report/ReportEncoding.h"

namespace elvaro::cli {

// Adds --encoding to `parser`; the value read goes to `encoding`.
void addEncodingOption(OptionParser &parser, report::ReportEncoding &encoding);

} // namespace elvaro::cli
