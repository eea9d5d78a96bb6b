#pragma once

#include "serial/PortPinText.h"
#include "serial/PortProbe.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>
#include <utility>

// Port numbers 1 to 16 and the serial devices they stand for. Numbers pinned on the command line
// (--port N=DEVICE) come first; the free numbers then go, in ascending order, to the devices the
// system reports: USB adapters (ttyUSB*, ttyACM*) first, then the others, each group in natural
// name order. The numbering does not depend on whether a device can be opened right now, so that
// every part of the program gives a number the same meaning.
namespace elvaro::serial {

struct PortPin {
    PortPin() = default;
    PortPin(int number, QString path, QString shownAs = {})
        : port(number), device(std::move(path)), label(std::move(shownAs))
    {}

    int port = 0;
    QString device;
    // What the port is shown as instead of its device name ("Simulated instrument"); may be empty.
    QString label;
};

struct SystemPort {
    QString name;        // ttyUSB0, ttyS1, COM3
    QString location;    // /dev/ttyUSB0
    QString description; // what the driver says about it, may be empty
};

class PortTable {
public:
    static constexpr int kFirstPort = kFirstPortNumber;
    static constexpr int kLastPort = kLastPortNumber;

    // Pins plus the serial devices QSerialPortInfo reports on this machine.
    static PortTable fromSystem(const QList<PortPin> &pins);

    // Pins plus the given system devices; the same ordering rules as fromSystem.
    static PortTable build(const QList<PortPin> &pins, const QList<SystemPort> &systemPorts);

    // The device path of a port number, or nothing when the number names no device.
    std::optional<QString> device(int port) const;

    // Human-readable name of what a port number stands for ("ttyUSB0 (FT232R USB UART)").
    QString describe(int port) const;

    // The numbers that name a device, ascending.
    QList<int> ports() const;

    // The numbers whose device can be opened at this moment, ascending (see canOpenPort).
    QList<int> openablePorts() const;

    // What the port window lists, ascending: every number whose device can be opened, whose device
    // is there but cannot be opened, or that was pinned on the command line, with why it cannot
    // be opened.
    struct Offer {
        int port = 0;
        PortProbe probe;
    };
    QList<Offer> offers() const;

private:
    struct Entry {
        QString device;
        QString description;
        QString label;
        bool pinned = false;
    };
    static constexpr int kPortCount = kLastPort - kFirstPort + 1;

    std::array<std::optional<Entry>, kPortCount> m_entries{};
};

// Opens the device without reading or writing, and closes it at once. True only for a terminal
// device that could be opened; nothing stays open either way.
bool canOpenPort(const QString &device);

} // namespace elvaro::serial
