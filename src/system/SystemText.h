#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

// Texts the operating system gives or file names hold, in the same form wherever they are shown
// or compared.
namespace elvaro::system {

// The system's reason for an error number ("No such file or directory"), in the language of the
// locale the program runs in. Take errno right after the failing call: any call in between may
// change it.
inline std::string errorText(int error)
{
    return std::strerror(error);
}

// True when `text` ends in `suffix`, letters compared without regard to case (ASCII only: file
// name suffixes such as ".xlsx" and ".CSV").
inline bool endsWithIgnoringCase(std::string_view text, std::string_view suffix)
{
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    return text.size() >= suffix.size()
           && std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                         [&](unsigned char a, unsigned char b) { return lower(a) == lower(b); });
}

} // namespace elvaro::system
