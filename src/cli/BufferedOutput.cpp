#include "cli/BufferedOutput.h"

#include <cerrno>

#include <unistd.h>

namespace elvaro::cli {

namespace {

bool writeAll(int descriptor, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(descriptor, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

bool BufferedOutput::flush()
{
    if (m_ok && m_used > 0)
        m_ok = writeAll(m_descriptor, m_buffer.get(), m_used);
    m_used = 0;
    return m_ok;
}

void BufferedOutput::putLarge(std::string_view text)
{
    flush();
    if (text.size() < kSize) {
        put(text);
        return;
    }
    if (m_ok)
        m_ok = writeAll(m_descriptor, text.data(), text.size());
}

} // namespace elvaro::cli
