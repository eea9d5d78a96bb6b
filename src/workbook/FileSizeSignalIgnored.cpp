#include "workbook/FileSizeSignalIgnored.h"

namespace elvaro::workbook {

FileSizeSignalIgnored::FileSizeSignalIgnored()
{
    struct sigaction ignored {};
    ignored.sa_handler = SIG_IGN;
    sigemptyset(&ignored.sa_mask);
    ::sigaction(SIGXFSZ, &ignored, &m_previous);
}

FileSizeSignalIgnored::~FileSizeSignalIgnored()
{
    ::sigaction(SIGXFSZ, &m_previous, nullptr);
}

} // namespace elvaro::workbook
