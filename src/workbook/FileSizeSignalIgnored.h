#pragma once

#include <csignal>

namespace elvaro::workbook {

// Ignores SIGXFSZ while it lives, so that a write past the file-size limit (ulimit -f) fails with
// an error that is reported and cleaned up instead of the signal ending the program with its
// temporary files left behind. The signal's previous action comes back afterwards, so programs
// started later do not inherit the ignored signal.
class FileSizeSignalIgnored {
public:
    FileSizeSignalIgnored();
    FileSizeSignalIgnored(const FileSizeSignalIgnored &) = delete;
    FileSizeSignalIgnored &operator=(const FileSizeSignalIgnored &) = delete;
    ~FileSizeSignalIgnored();

private:
    struct sigaction m_previous {};
};

} // namespace elvaro::workbook
