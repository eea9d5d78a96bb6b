#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace elvaro::report {

// Turns the bytes of a saved report into report text: the byte filter on every byte, and
// line ends made the parser's: a carriage return ends a line and a line feed is ignored,
// except in text that holds no carriage return at all (saved on Linux), where every line
// feed ends a line.
std::string decodeReport(std::string_view bytes);

// Reads a whole report file ("-" reads standard input) and decodes it.
// On failure returns nothing and sets `error` to the reason (without the file name).
std::optional<std::string> readReportFile(const std::string &path, std::string &error);

} // namespace elvaro::report
