#pragma once

#include "system/Error.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>

// The port numbers and the "N=DEVICE" form of --port, without Qt: the program's entry reads the
// desktop's options before anything of Qt is loaded.
namespace elvaro::serial {

inline constexpr int kFirstPortNumber = 1;
inline constexpr int kLastPortNumber = 16;

struct PortPinText {
    int port = 0;
    std::string device;
};

// Reads "N=DEVICE" (spaces around N allowed). Throws Error with a message for the user.
inline PortPinText readPortPin(std::string_view text)
{
    const std::size_t equals = text.find('=');
    if (equals == 0 || equals == std::string_view::npos || equals + 1 == text.size()) {
        throw Error("--port expects N=DEVICE, for example --port 1=/dev/ttyUSB0; got \"" + std::string(text) + "\".");
    }
    std::string_view number = text.substr(0, equals);
    constexpr std::string_view kSpaces = " \t\n\v\f\r";
    number.remove_prefix(std::min(number.find_first_not_of(kSpaces), number.size()));
    number.remove_suffix(number.size() - (number.find_last_not_of(kSpaces) + 1));
    if (number.starts_with('+'))
        number.remove_prefix(1);
    int port = 0;
    const auto [end, problem] = std::from_chars(number.data(), number.data() + number.size(), port);
    if (number.empty() || problem != std::errc() || end != number.data() + number.size() || port < kFirstPortNumber
        || port > kLastPortNumber) {
        throw Error("--port " + std::string(text) + ": the port number must be a whole number from "
                    + std::to_string(kFirstPortNumber) + " to " + std::to_string(kLastPortNumber) + ".");
    }
    return PortPinText{port, std::string(text.substr(equals + 1))};
}

} // namespace elvaro::serial
