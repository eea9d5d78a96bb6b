#include "serial/PortTable.h"
#include "serial/PseudoTerminal.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace elvaro::serial {
namespace {

QList<SystemPort> linuxPorts(const QStringList &names)
{
    QList<SystemPort> ports;
    for (const QString &name : names)
        ports.append({name, "/dev/" + name, QString()});
    return ports;
}

// The device of port 1, 2, ... up to the last one numbered; "-" for a free number.
QStringList devices(const PortTable &table)
{
    QStringList result;
    for (int port = PortTable::kFirstPort; port <= PortTable::kLastPort; ++port)
        result.append(table.device(port).value_or("-"));
    while (!result.isEmpty() && result.last() == "-")
        result.removeLast();
    return result;
}

TEST(PortTableOrder, PinsFirstThenUsbAdaptersThenOthersInNaturalNameOrder)
{
    QStringList twenty, sixteen;
    for (int index = 0; index < 20; ++index)
        twenty.append(QStringLiteral("ttyS%1").arg(index));
    for (int index = 0; index < 16; ++index)
        sixteen.append(QStringLiteral("/dev/ttyS%1").arg(index));
    const std::tuple<QList<PortPin>, QList<SystemPort>, QStringList> cases[] = {
        {{},
         linuxPorts({"ttyS10", "ttyS2", "ttyUSB10", "ttyACM0", "ttyUSB2", "ttyAMA0"}),
         {"/dev/ttyACM0", "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyAMA0", "/dev/ttyS2", "/dev/ttyS10"}},
        // Pins keep their numbers, a pinned device is not numbered again; a later pin for a number wins.
        {{{2, "/dev/pts/7"}, {4, "/dev/ttyUSB0"}},
         linuxPorts({"ttyS0", "ttyUSB0", "ttyUSB1"}),
         {"/dev/ttyUSB1", "/dev/pts/7", "/dev/ttyS0", "/dev/ttyUSB0"}},
        {{{1, "/dev/ttyUSB0"}, {1, "/dev/pts/3"}}, linuxPorts({"ttyUSB0"}), {"/dev/pts/3", "/dev/ttyUSB0"}},
        // COM names keep their own numbers.
        {{{3, "/dev/pts/1"}},
         {{"COM7", "COM7", ""},
          {"COM3", "COM3", ""},
          {"COM1", "COM1", ""},
          {"COM17", "COM17", ""},
          {"COM12", "COM12", ""}},
         {"COM1", "-", "/dev/pts/1", "-", "-", "-", "COM7", "-", "-", "-", "-", "COM12"}},
        {{}, linuxPorts(twenty), sixteen}};
    for (const auto &[pins, system, expected] : cases)
        EXPECT_EQ(devices(PortTable::build(pins, system)), expected) << expected.join(' ').toStdString();
    for (const int outside : {0, -1, 17})
        EXPECT_EQ(PortTable::build({}, linuxPorts(twenty)).device(outside), std::nullopt) << outside;
}

TEST(PortTableOrder, DescribeNamesTheDeviceAndWhatTheDriverSays)
{
    const PortTable table =
        PortTable::build({{1, "/dev/pts/4"}, {5, "/dev/pts/9", "Simulated instrument"}},
                         {{"ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART"}, {"ttyS0", "/dev/ttyS0", "n/a"}});
    QStringList described;
    for (int port = 1; port <= 5; ++port)
        described.append(table.describe(port));
    EXPECT_EQ(described, (QStringList{"pts/4", "ttyUSB0 (FT232R USB UART)", "ttyS0", "", "Simulated instrument"}));
}

TEST(PortTablePins, ReadsNumberEqualsDeviceAndRejectsTheRestWithAMessage)
{
    const PortPinText pin = readPortPin("12=/dev/pts/4");
    EXPECT_EQ(std::pair(pin.port, pin.device), std::pair(12, std::string("/dev/pts/4")));
    const QString shape = "--port expects N=DEVICE, for example --port 1=/dev/ttyUSB0; got \"%1\".";
    const QString range = "--port %1: the port number must be a whole number from 1 to 16.";
    for (const auto &[text, message] : {std::pair{"/dev/ttyUSB0", shape},
                                        {"3=", shape},
                                        {"=/dev/pts/1", shape},
                                        {"0=/dev/pts/1", range},
                                        {"17=/dev/pts/1", range},
                                        {"x=/dev/pts/1", range}}) {
        try {
            readPortPin(text);
            ADD_FAILURE() << text;
        } catch (const elvaro::Error &problem) {
            EXPECT_EQ(problem.what(), message.arg(text).toStdString()) << text;
        }
    }
}

// Descriptors of this process open on the given path.
int descriptorsOpenOn(const QString &path)
{
    int count = 0;
    for (const QFileInfo &link : QDir("/proc/self/fd").entryInfoList(QDir::System | QDir::Files))
        count += link.symLinkTarget() == QFileInfo(path).canonicalFilePath() ? 1 : 0;
    return count;
}

TEST(PortTableProbe, OffersOnlyTerminalsThatOpenAndLeavesNothingOpen)
{
    PseudoTerminal pair;
    ASSERT_TRUE(pair.open()) << pair.errorString().toStdString();
    const QString terminal = pair.devicePath();
    const PortTable table = PortTable::build(
        {{1, "/dev/elvaro-no-such-device"}, {2, terminal}, {3, "/dev/null"}, {4, ""}, {5, "/etc/hostname"}},
        linuxPorts({"elvaro-no-such-tty", "null"}));
    // A missing device, a device or a file that is no terminal and an empty name cannot be opened.
    EXPECT_EQ(table.openablePorts(), (QList<int>{2}));
    EXPECT_EQ(table.ports(), (QList<int>{1, 2, 3, 4, 5, 6}));
    // Offered with the reason: what is there, and what was pinned; a missing system device is not.
    QStringList offers;
    for (const PortTable::Offer &offer : table.offers())
        offers.append(
            QStringLiteral("%1 %2").arg(offer.port).arg(offer.probe.openable ? "open" : offer.probe.summary()));
    EXPECT_EQ(offers, (QStringList{"1 no such device", "2 open", "3 not a serial port", "4 no such device",
                                   "5 not a serial port"}));
    EXPECT_TRUE(canOpenPort(terminal));
    EXPECT_FALSE(pair.deviceIsOpen());
    EXPECT_EQ(descriptorsOpenOn(terminal), 0);
    // Another program can open the device right after the probe.
    const int fd = ::open(QFile::encodeName(terminal).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(pair.deviceIsOpen());
    ::close(fd);
}

} // namespace
} // namespace elvaro::serial
