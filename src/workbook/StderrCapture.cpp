#include "workbook/StderrCapture.h"

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>

namespace elvaro::workbook {

namespace {

bool isWritersLine(std::string_view line)
{
    return line.starts_with("[ERROR]") || line.starts_with("[WARNING]");
}

void writeAll(int descriptor, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = ::write(descriptor, text.data(), text.size());
        if (written <= 0)
            return;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

} // namespace

StderrCapture::StderrCapture()
{
    int ends[2];
    // Non-blocking: a writer that fills the pipe loses its text instead of waiting forever.
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    std::fflush(stderr);
    m_saved = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (m_saved < 0 || ::dup2(ends[1], STDERR_FILENO) < 0) {
        if (m_saved >= 0)
            ::close(m_saved);
        m_saved = -1;
        ::close(ends[0]);
        ::close(ends[1]);
        return;
    }
    ::close(ends[1]);
    m_pipe = ends[0];
}

StderrCapture::~StderrCapture()
{
    if (m_saved < 0)
        return;
    std::fflush(stderr);
    ::dup2(m_saved, STDERR_FILENO);
    ::close(m_saved);
    std::string captured;
    char chunk[4096];
    for (ssize_t n; (n = ::read(m_pipe, chunk, sizeof chunk)) > 0;)
        captured.append(chunk, static_cast<std::size_t>(n));
    ::close(m_pipe);

    std::string passedOn;
    for (std::size_t start = 0; start < captured.size();) {
        std::size_t end = captured.find('\n', start);
        end = end == std::string::npos ? captured.size() : end + 1;
        const std::string_view line = std::string_view(captured).substr(start, end - start);
        if (!isWritersLine(line))
            passedOn += line;
        start = end;
    }
    writeAll(STDERR_FILENO, passedOn);
}

} // namespace elvaro::workbook
