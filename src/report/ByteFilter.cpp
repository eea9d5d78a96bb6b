#include "report/ByteFilter.h"

#include <cstdint>
#include <cstring>

namespace elvaro::report {

namespace {

// Filters `count` bytes from `from` into `to`, which may be the same place.
void filterRange(const char *from, char *to, std::size_t count)
{
    // Most of a report is plain ASCII: blocks of eight bytes below 128 are taken as they are.
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    std::size_t i = 0;
    for (; i + sizeof(std::uint64_t) <= count; i += sizeof(std::uint64_t)) {
        std::uint64_t block;
        std::memcpy(&block, from + i, sizeof block);
        if ((block & kHighBits) == 0) {
            if (to != from)
                std::memcpy(to + i, &block, sizeof block);
            continue;
        }
        for (std::size_t k = i; k < i + sizeof block; ++k)
            to[k] = filterByte(static_cast<unsigned char>(from[k]));
    }
    for (; i < count; ++i)
        to[i] = filterByte(static_cast<unsigned char>(from[i]));
}

} // namespace

void appendFiltered(std::string &out, std::string_view bytes)
{
    const std::size_t start = out.size();
    out.resize(start + bytes.size());
    filterRange(bytes.data(), out.data() + start, bytes.size());
}

void filterInPlace(std::string &text)
{
    filterRange(text.data(), text.data(), text.size());
}

std::string filterBytes(std::string_view bytes)
{
    std::string out;
    appendFiltered(out, bytes);
    return out;
}

} // namespace elvaro::report
