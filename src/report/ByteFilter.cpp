#include "report/ByteFilter.h"

#include "report/CodePage437.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace elvaro::report {

namespace {

// What the filter gives for a line-drawing byte, or 0 for a byte that is a character of its own.
constexpr char lineDrawingCharacter(unsigned char byte)
{
    switch (byte) {
    case 196:
        return '-';
    case 205:
        return '=';
    case 179:
    case 186:
        return '|';
    default:
        return byte >= 180 && byte <= 218 ? '+' : 0;
    }
}

// The filtered form of each byte from 128 up, at most three bytes of UTF-8.
struct Filtered {
    char bytes[3] = {};
    std::uint8_t size = 0;
};

constexpr std::array<Filtered, 128> makeTable()
{
    std::array<Filtered, 128> table{};
    for (unsigned byte = 128; byte < 256; ++byte) {
        Filtered &entry = table[byte - 128];
        if (const char line = lineDrawingCharacter(static_cast<unsigned char>(byte))) {
            entry.bytes[0] = line;
            entry.size = 1;
            continue;
        }
        const char32_t c = kCodePage437High[byte - 128];
        if (c < 0x800) {
            entry.bytes[0] = static_cast<char>(0xC0 | (c >> 6));
            entry.bytes[1] = static_cast<char>(0x80 | (c & 0x3F));
            entry.size = 2;
        } else {
            entry.bytes[0] = static_cast<char>(0xE0 | (c >> 12));
            entry.bytes[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            entry.bytes[2] = static_cast<char>(0x80 | (c & 0x3F));
            entry.size = 3;
        }
    }
    return table;
}

constexpr std::array<Filtered, 128> kHighBytes = makeTable();

constexpr std::array<char, 128> makeAscii()
{
    std::array<char, 128> all{};
    for (unsigned i = 0; i < 128; ++i)
        all[i] = static_cast<char>(i);
    return all;
}

constexpr std::array<char, 128> kAscii = makeAscii();

} // namespace

std::string_view filterByte(unsigned char byte)
{
    if (byte < 128)
        return {&kAscii[byte], 1};
    const Filtered &entry = kHighBytes[byte - 128];
    return {entry.bytes, entry.size};
}

void appendFiltered(std::string &out, std::string_view bytes)
{
    // Most of a report is plain ASCII: runs of it are copied whole, eight bytes at a time.
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    const char *data = bytes.data();
    const std::size_t count = bytes.size();
    std::size_t plainFrom = 0;
    std::size_t i = 0;
    while (i < count) {
        if (i + sizeof(std::uint64_t) <= count) {
            std::uint64_t block;
            std::memcpy(&block, data + i, sizeof block);
            if ((block & kHighBits) == 0) {
                i += sizeof block;
                continue;
            }
        }
        const auto byte = static_cast<unsigned char>(data[i]);
        if (byte < 128) {
            ++i;
            continue;
        }
        out.append(data + plainFrom, i - plainFrom);
        const Filtered &entry = kHighBytes[byte - 128];
        out.append(entry.bytes, entry.size);
        plainFrom = ++i;
    }
    out.append(data + plainFrom, count - plainFrom);
}

} // namespace elvaro::report
