#pragma once

#include "serial/PseudoTerminal.h"
#include "serial/SerialReceiver.h"

#include <QString>

#include <cstdio>
#include <random>
#include <string>

// What the serial benchmarks share: the bytes they send and the line they receive them on.
namespace elvaro::bench {

// `size` bytes of every value, the same for the same seed.
inline std::string randomBytes(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    std::mt19937 random(seed);
    for (char &byte : bytes)
        byte = static_cast<char>(random() & 0xff);
    return bytes;
}

// Opens a pseudo-terminal and the receiver on its device side. On failure prints the reason,
// naming the benchmark, and returns false.
inline bool openLine(const char *benchmark, serial::PseudoTerminal &line, serial::SerialReceiver &receiver)
{
    if (line.open() && receiver.open(line.devicePath()))
        return true;
    std::fprintf(stderr, "%s: %s%s\n", benchmark, qPrintable(line.errorString()), qPrintable(receiver.errorString()));
    return false;
}

} // namespace elvaro::bench
