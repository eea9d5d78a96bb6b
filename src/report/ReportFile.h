#pragma once

#include "report/ReportEncoding.h"

#include <cstddef>
#include <string>

namespace elvaro::report {

// Turns the bytes of a saved report into report text, UTF-8 as the parser reads it: bytes read as
// code page 437 go through the instrument's byte filter, bytes read as UTF-8 have their box-drawing
// characters mapped the same way (see ReportEncoding.h for which reading `encoding` chooses). Line
// ends are made the parser's: a carriage return ends a line and a line feed is ignored, except in
// text that holds no carriage return at all (saved on Linux), where every line feed ends a line.
// Decodes where the bytes stand as far as the reading allows. Throws ReportFileError when UTF-8 is
// asked for and the bytes are not, or when memory runs out.
std::string decodeReport(std::string bytes, ReportEncoding encoding = ReportEncoding::Automatic);

// The most bytes a report file may hold, a whole number of MiB. Reports of the instrument are a
// few hundred kilobytes at most; anything larger is refused while it is read, before memory grows
// with it, so that a device such as /dev/zero or a huge file of garbage ends at once with a
// message.
inline constexpr std::size_t kMaxReportBytes = std::size_t{64} << 20;

// Reads the bytes of a whole report file ("-" reads standard input), at most kMaxReportBytes.
// Throws ReportFileError with the reason (without the file name).
std::string readReportBytes(const std::string &path);

// Reads a whole report file as readReportBytes does and decodes it as decodeReport does.
std::string readReportFile(const std::string &path, ReportEncoding encoding = ReportEncoding::Automatic);

} // namespace elvaro::report
