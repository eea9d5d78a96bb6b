#include "report/ReportEncoding.h"

#include "report/CodePage437.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace elvaro::report {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char32_t kFirstBoxDrawing = 0x2500;
constexpr char32_t kLastBoxDrawing = 0x257F;

// The horizontal and vertical lines among the box-drawing characters; all others are corners.
constexpr char32_t kHorizontalLines[] = {0x2500, 0x2501, 0x2504, 0x2505, 0x2508, 0x2509, 0x254C,
                                         0x254D, 0x2574, 0x2576, 0x2578, 0x257A, 0x257C, 0x257E};
constexpr char32_t kVerticalLines[] = {0x2502, 0x2503, 0x2506, 0x2507, 0x250A, 0x250B, 0x254E, 0x254F,
                                       0x2551, 0x2575, 0x2577, 0x2579, 0x257B, 0x257D, 0x257F};
constexpr char32_t kDoubleHorizontalLine = 0x2550;

// Code page 437's bytes for a line that reads as '-', '=', '|' or '+' after the byte filter.
constexpr unsigned char kHorizontalByte = 196;
constexpr unsigned char kDoubleHorizontalByte = 205;
constexpr unsigned char kVerticalByte = 179;
constexpr unsigned char kCrossByte = 197;

bool contains(const char32_t *begin, const char32_t *end, char32_t c)
{
    return std::find(begin, end, c) != end;
}

// Decodes the character at `at` of valid UTF-8 and moves `at` past it.
char32_t decodeAt(std::string_view text, std::size_t &at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    char32_t c = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i)
        c = (c << 6) | (static_cast<unsigned char>(text[at + static_cast<std::size_t>(i)]) & 0x3F);
    at += static_cast<std::size_t>(length);
    return c;
}

bool startsWithByteOrderMark(std::string_view text)
{
    return text.substr(0, kByteOrderMark.size()) == kByteOrderMark;
}

} // namespace

std::optional<ReportEncoding> encodingNamed(std::string_view name)
{
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "cp437")
        return ReportEncoding::CodePage437;
    if (lower == "utf-8" || lower == "utf8")
        return ReportEncoding::Utf8;
    return std::nullopt;
}

std::size_t firstInvalidUtf8(std::string_view bytes)
{
    std::size_t at = 0;
    while (at < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        if (lead < 0x80) {
            ++at;
            continue;
        }
        int length = 0;
        char32_t smallest = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            smallest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            smallest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            smallest = 0x10000;
        } else {
            return at;
        }
        if (bytes.size() - at < static_cast<std::size_t>(length))
            return at;
        char32_t c = lead & (0x7F >> length);
        for (int i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
            if ((next & 0xC0) != 0x80)
                return at;
            c = (c << 6) | (next & 0x3F);
        }
        if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return at;
        at += static_cast<std::size_t>(length);
    }
    return std::string_view::npos;
}

bool readsAsUtf8(std::string_view bytes)
{
    const bool beyondAscii =
        std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    return beyondAscii && firstInvalidUtf8(bytes) == std::string_view::npos;
}

char boxDrawingCharacter(char32_t c)
{
    if (c < kFirstBoxDrawing || c > kLastBoxDrawing)
        return 0;
    if (c == kDoubleHorizontalLine)
        return '=';
    if (contains(std::begin(kHorizontalLines), std::end(kHorizontalLines), c))
        return '-';
    if (contains(std::begin(kVerticalLines), std::end(kVerticalLines), c))
        return '|';
    return '+';
}

void mapUtf8Report(std::string &text)
{
    const std::size_t from = startsWithByteOrderMark(text) ? kByteOrderMark.size() : 0;
    // Box-drawing characters are three bytes, E2 94 xx or E2 95 xx; what replaces them is one,
    // so the text is rewritten where it stands, front to back.
    std::size_t to = 0;
    for (std::size_t at = from; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        if (lead == 0xE2 && at + 2 < text.size()) {
            const auto second = static_cast<unsigned char>(text[at + 1]);
            if (second == 0x94 || second == 0x95) {
                const char32_t c = 0x2000 + ((second & 0x3F) << 6) + (static_cast<unsigned char>(text[at + 2]) & 0x3F);
                text[to++] = boxDrawingCharacter(c);
                at += 3;
                continue;
            }
        }
        text[to++] = text[at++];
    }
    text.resize(to);
}

void appendCharacters(std::u32string &out, std::string_view utf8)
{
    constexpr char32_t kReplacement = 0xFFFD;
    for (std::size_t at = 0; at < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[at]);
        if (lead < 0x80) {
            out += lead;
            ++at;
            continue;
        }
        const std::string_view rest = utf8.substr(at, std::min<std::size_t>(4, utf8.size() - at));
        if (firstInvalidUtf8(rest.substr(0, lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2)) != 0) {
            out += decodeAt(utf8, at);
        } else {
            out += kReplacement;
            ++at;
        }
    }
}

void appendUtf8(std::string &out, std::u32string_view characters)
{
    for (const char32_t c : characters) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
}

std::string toCodePage437(std::string_view utf8, std::size_t &replaced)
{
    replaced = 0;
    if (startsWithByteOrderMark(utf8))
        utf8.remove_prefix(kByteOrderMark.size());
    std::string bytes;
    bytes.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const char32_t c = decodeAt(utf8, at);
        if (c < 0x80) {
            bytes += static_cast<char>(c);
            continue;
        }
        const auto found = std::find(kCodePage437High.begin(), kCodePage437High.end(), c);
        if (found != kCodePage437High.end()) {
            bytes += static_cast<char>(0x80 + (found - kCodePage437High.begin()));
            continue;
        }
        switch (boxDrawingCharacter(c)) {
        case '-':
            bytes += static_cast<char>(kHorizontalByte);
            break;
        case '=':
            bytes += static_cast<char>(kDoubleHorizontalByte);
            break;
        case '|':
            bytes += static_cast<char>(kVerticalByte);
            break;
        case '+':
            bytes += static_cast<char>(kCrossByte);
            break;
        default:
            bytes += '?';
            ++replaced;
        }
    }
    return bytes;
}

} // namespace elvaro::report
