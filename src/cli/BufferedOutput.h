#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string_view>

namespace elvaro::cli {

// Writes to a file descriptor through a buffer of its own, in large writes. After a failed
// write it takes nothing more; ok() tells, and errno holds the system's reason.
class BufferedOutput {
public:
    explicit BufferedOutput(int descriptor) : m_descriptor(descriptor) {}
    BufferedOutput(const BufferedOutput &) = delete;
    BufferedOutput &operator=(const BufferedOutput &) = delete;

    void put(std::string_view text)
    {
        if (text.size() > kSize - m_used) {
            putLarge(text);
            return;
        }
        std::copy(text.begin(), text.end(), m_buffer.get() + m_used);
        m_used += text.size();
    }
    void put(char c)
    {
        if (m_used == kSize)
            flush();
        m_buffer[m_used++] = c;
    }

    // Writes what the buffer holds. Returns ok().
    bool flush();
    bool ok() const { return m_ok; }

private:
    static constexpr std::size_t kSize = 64 * 1024;

    void putLarge(std::string_view text);

    int m_descriptor;
    std::unique_ptr<char[]> m_buffer = std::make_unique_for_overwrite<char[]>(kSize);
    std::size_t m_used = 0;
    bool m_ok = true;
};

} // namespace elvaro::cli
