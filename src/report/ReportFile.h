#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace elvaro::report {

// Turns the bytes of a saved report into report text: the byte filter on every byte, and
// line ends made the parser's: a carriage return ends a line and a line feed is ignored,
// except in text that holds no carriage return at all (saved on Linux), where every line
// feed ends a line.
std::string decodeReport(std::string_view bytes);

// The most bytes a report file may hold, a whole number of MiB. Reports of the instrument are a
// few hundred kilobytes at most; anything larger is refused while it is read, before memory grows
// with it, so that a device such as /dev/zero or a huge file of garbage ends at once with a
// message.
inline constexpr std::size_t kMaxReportBytes = std::size_t{64} << 20;

// Reads the bytes of a whole report file ("-" reads standard input), at most kMaxReportBytes.
// On failure returns nothing and sets `error` to the reason (without the file name).
std::optional<std::string> readReportBytes(const std::string &path, std::string &error);

// Reads a whole report file as readReportBytes does and decodes it.
std::optional<std::string> readReportFile(const std::string &path, std::string &error);

} // namespace elvaro::report
