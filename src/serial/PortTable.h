#pragma once

#include "serial/PortPinText.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

// Port numbers 1 to 16 and the serial devices they stand for. Numbers pinned on the command line
// (--port N=DEVICE) come first; the free numbers then go, in ascending order, to the devices the
// system reports: USB adapters (ttyUSB*, ttyACM*) first, then the others, each group in natural
// name order. The numbering does not depend on whether a device can be opened right now, so that
// every part of the program gives a number the same meaning.
namespace elvaro::serial {

struct PortPin {
    int port = 0;
    QString device;
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

    // Reads "N=DEVICE". On failure returns nothing and puts a message for the user in *error.
    static std::optional<PortPin> parsePin(const QString &text, QString *error);

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

    // The numbers whose device can be opened at this moment, ascending (see canOpenPort): what the
    // port window offers.
    QList<int> openablePorts() const;

private:
    struct Entry {
        QString device;
        QString description;
    };
    static constexpr int kPortCount = kLastPort - kFirstPort + 1;

    std::array<std::optional<Entry>, kPortCount> m_entries{};
};

// Opens the device without reading or writing, and closes it at once. True only for a terminal
// device that could be opened; nothing stays open either way.
bool canOpenPort(const QString &device);

} // namespace elvaro::serial
