#pragma once

#include <QString>

#include <chrono>
#include <string_view>

// A pseudo-terminal pair that stands in for a serial line: the device side (/dev/pts/N) is what a
// program opens as its serial port, the master end is the instrument's side of the cable. The
// device side is in raw mode, so every byte passes unchanged in both directions; the master end is
// non-blocking. By default this object keeps no handle on the device side, so the master end reads
// as hung up until some program opens the device (deviceIsOpen()).
namespace elvaro::serial {

class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    // Creates the pair. On failure returns false and sets errorString().
    bool open();

    // Closes the master end: to the program that has the device open, the line is gone, as when a
    // USB adapter is pulled out. The device path disappears.
    void close();

    QString devicePath() const { return m_devicePath; }
    QString errorString() const { return m_errorString; }

    // True while at least one program, this object included, holds the device side open.
    bool deviceIsOpen() const;

    // Keeps a handle on the device side from now on, so that discardUnread() works at any moment,
    // also while another program holds the device exclusively. deviceIsOpen() is true from then on.
    bool holdDeviceOpen();

    // Writes what the pair takes at once without waiting. Returns the number of bytes taken (0 when
    // the pair is full), or -1 on an error, with errorString() set.
    long writeSome(std::string_view bytes);

    // Writes every byte, waiting (without spinning) whenever the pair is full. Returns false with
    // errorString() set when the device side is closed while bytes still wait to go, when nothing
    // could be written for `stallLimit`, or on an error.
    bool writeAll(std::string_view bytes, std::chrono::milliseconds stallLimit = std::chrono::seconds(10));

    // Drops the bytes written but not yet read on the device side, so that the next program that
    // opens the device does not receive the rest of something meant for the previous one.
    void discardUnread();

private:
    int m_master = -1;
    int m_device = -1;
    QString m_devicePath;
    QString m_errorString;
};

} // namespace elvaro::serial
