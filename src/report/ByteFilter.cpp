#include "report/ByteFilter.h"

#include <cstdint>
#include <cstring>

namespace elvaro::report {

void appendFiltered(std::string &out, std::string_view bytes)
{
    const std::size_t start = out.size();
    out.resize(start + bytes.size());
    char *target = out.data() + start;
    std::size_t i = 0;
    // Most of a report is plain ASCII: blocks of eight bytes below 128 are copied as they are.
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    for (; i + sizeof(std::uint64_t) <= bytes.size(); i += sizeof(std::uint64_t)) {
        std::uint64_t block;
        std::memcpy(&block, bytes.data() + i, sizeof block);
        if ((block & kHighBits) == 0) {
            std::memcpy(target + i, &block, sizeof block);
            continue;
        }
        for (std::size_t k = i; k < i + sizeof block; ++k)
            target[k] = filterByte(static_cast<unsigned char>(bytes[k]));
    }
    for (; i < bytes.size(); ++i)
        target[i] = filterByte(static_cast<unsigned char>(bytes[i]));
}

void filterInPlace(std::string &text)
{
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    std::size_t i = 0;
    for (; i + sizeof(std::uint64_t) <= text.size(); i += sizeof(std::uint64_t)) {
        std::uint64_t block;
        std::memcpy(&block, text.data() + i, sizeof block);
        if ((block & kHighBits) == 0)
            continue;
        for (std::size_t k = i; k < i + sizeof block; ++k)
            text[k] = filterByte(static_cast<unsigned char>(text[k]));
    }
    for (; i < text.size(); ++i)
        text[i] = filterByte(static_cast<unsigned char>(text[i]));
}

std::string filterBytes(std::string_view bytes)
{
    std::string out;
    appendFiltered(out, bytes);
    return out;
}

} // namespace elvaro::report
