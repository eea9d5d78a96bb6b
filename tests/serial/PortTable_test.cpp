#include "serial/PortTable.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

using elvaro::serial::canOpenPort;
using elvaro::serial::naturalLess;
using elvaro::serial::PortPin;
using elvaro::serial::PortTable;
using elvaro::serial::SystemPort;

namespace {

SystemPort linuxPort(const QString &name)
{
    return {name, QStringLiteral("/dev/") + name, QString()};
}

QList<int> range(int first, int last)
{
    QList<int> result;
    for (int port = first; port <= last; ++port)
        result.append(port);
    return result;
}

// A pseudo-terminal pair; the slave side stands in for a serial device.
class PseudoTerminal
{
public:
    PseudoTerminal()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0)
            m_path = QString::fromLocal8Bit(name);
    }
    ~PseudoTerminal()
    {
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
    }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    const QString &path() const { return m_path; }
    // Closes the slave side kept by openpty so that only the probe could hold the device open.
    void releaseSlave()
    {
        ::close(m_slave);
        m_slave = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};

// Every descriptor of this process that refers to the given path.
int descriptorsOpenOn(const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    int count = 0;
    const QFileInfoList links = QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files);
    for (const QFileInfo &link : links) {
        if (link.symLinkTarget() == target)
            ++count;
    }
    return count;
}

} // namespace

TEST(PortTableOrder, NaturalNameOrderComparesNumberRunsAsNumbers)
{
    struct Case {
        const char *left;
        const char *right;
        bool less;
    };
    const Case cases[] = {
        {"ttyS2", "ttyS10", true},   {"ttyS10", "ttyS2", false}, {"ttyS9", "ttyS9", false},
        {"ttyS", "ttyS0", true},     {"ttyS02", "ttyS10", true}, {"ttyACM0", "ttyS0", true},
        {"ttyUSB1", "ttyUSB01", false}, {"ttyAMA0", "ttyAMA0a", true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(naturalLess(QString::fromLatin1(c.left), QString::fromLatin1(c.right)), c.less)
            << c.left << " < " << c.right;
}

TEST(PortTableOrder, UsbAdaptersComeFirstThenOthersEachInNaturalOrder)
{
    const PortTable table = PortTable::build(
        {}, {linuxPort("ttyS10"), linuxPort("ttyS2"), linuxPort("ttyUSB1"), linuxPort("ttyACM0"),
             linuxPort("ttyUSB0"), linuxPort("ttyAMA0")});
    const QStringList expected = {"/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyUSB1",
                                  "/dev/ttyAMA0", "/dev/ttyS2",   "/dev/ttyS10"};
    ASSERT_EQ(table.ports(), range(1, 6));
    for (int port = 1; port <= 6; ++port)
        EXPECT_EQ(table.device(port), expected[port - 1]) << "port " << port;
    EXPECT_EQ(table.device(7), std::nullopt);
}

TEST(PortTableOrder, PinsKeepTheirNumbersAndSystemDevicesFillTheFreeOnes)
{
    const PortTable table = PortTable::build(
        {{2, "/dev/pts/7"}, {4, "/dev/ttyUSB0"}},
        {linuxPort("ttyS0"), linuxPort("ttyUSB0"), linuxPort("ttyUSB1")});
    EXPECT_EQ(table.device(1), "/dev/ttyUSB1");
    EXPECT_EQ(table.device(2), "/dev/pts/7");
    EXPECT_EQ(table.device(3), "/dev/ttyS0");
    // A pinned device is not numbered a second time.
    EXPECT_EQ(table.device(4), "/dev/ttyUSB0");
    EXPECT_EQ(table.ports(), range(1, 4));
}

TEST(PortTableOrder, ALaterPinForTheSameNumberWins)
{
    const PortTable table = PortTable::build({{1, "/dev/ttyUSB0"}, {1, "/dev/pts/3"}}, {linuxPort("ttyUSB0")});
    EXPECT_EQ(table.device(1), "/dev/pts/3");
    EXPECT_EQ(table.device(2), "/dev/ttyUSB0");
}

TEST(PortTableOrder, NoNumberAboveSixteenIsGiven)
{
    QList<SystemPort> many;
    for (int index = 0; index < 20; ++index)
        many.append(linuxPort(QStringLiteral("ttyS%1").arg(index)));
    const PortTable table = PortTable::build({}, many);
    EXPECT_EQ(table.ports(), range(1, 16));
    EXPECT_EQ(table.device(16), "/dev/ttyS15");
    for (const int outside : {0, -1, 17, 256})
        EXPECT_EQ(table.device(outside), std::nullopt) << outside;
}

TEST(PortTableOrder, ComNamesKeepTheirOwnNumbers)
{
    const PortTable table = PortTable::build(
        {{3, "/dev/pts/1"}}, {{"COM7", "COM7", "USB Serial"}, {"COM3", "COM3", ""}, {"COM1", "COM1", ""},
                              {"COM17", "COM17", ""}});
    EXPECT_EQ(table.ports(), (QList<int>{1, 3, 7}));
    EXPECT_EQ(table.device(7), "COM7");
    EXPECT_EQ(table.device(3), "/dev/pts/1");
    EXPECT_EQ(table.describe(7), "COM7 (USB Serial)");
    EXPECT_EQ(table.describe(1), "COM1");
    EXPECT_EQ(table.describe(2), "");
}

TEST(PortTableOrder, DescribeNamesTheDeviceBelowDevAndWhatTheDriverSays)
{
    const PortTable table = PortTable::build(
        {{1, "/dev/pts/4"}}, {{"ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART"}, {"ttyS0", "/dev/ttyS0", "n/a"}});
    EXPECT_EQ(table.describe(1), "pts/4");
    EXPECT_EQ(table.describe(2), "ttyUSB0 (FT232R USB UART)");
    EXPECT_EQ(table.describe(3), "ttyS0");
}

TEST(PortTablePins, ParsesNumberEqualsDevice)
{
    QString error;
    const auto pin = PortTable::parsePin(QStringLiteral("12=/dev/pts/4"), &error);
    ASSERT_TRUE(pin.has_value()) << error.toStdString();
    EXPECT_EQ(pin->port, 12);
    EXPECT_EQ(pin->device, "/dev/pts/4");
}

TEST(PortTablePins, RejectsMalformedPinsWithAMessageSayingWhatIsExpected)
{
    struct Case {
        const char *text;
        const char *message;
    };
    const Case cases[] = {
        {"/dev/ttyUSB0", "--port expects N=DEVICE, for example --port 1=/dev/ttyUSB0; got \"/dev/ttyUSB0\"."},
        {"3=", "--port expects N=DEVICE, for example --port 1=/dev/ttyUSB0; got \"3=\"."},
        {"=/dev/pts/1", "--port expects N=DEVICE, for example --port 1=/dev/ttyUSB0; got \"=/dev/pts/1\"."},
        {"0=/dev/pts/1", "--port 0=/dev/pts/1: the port number must be a whole number from 1 to 16."},
        {"17=/dev/pts/1", "--port 17=/dev/pts/1: the port number must be a whole number from 1 to 16."},
        {"x=/dev/pts/1", "--port x=/dev/pts/1: the port number must be a whole number from 1 to 16."},
    };
    for (const Case &c : cases) {
        QString error;
        EXPECT_FALSE(PortTable::parsePin(QString::fromLatin1(c.text), &error).has_value()) << c.text;
        EXPECT_EQ(error.toStdString(), c.message);
    }
}

TEST(PortTableProbe, ListsOnlyTerminalsThatCanBeOpened)
{
    PseudoTerminal terminal;
    ASSERT_FALSE(terminal.path().isEmpty());
    const PortTable table = PortTable::build(
        {{1, "/dev/elvaro-no-such-device"}, {2, terminal.path()}, {3, "/dev/null"}, {4, ""}}, {});
    // A missing device, a device that is not a terminal and an empty name are not offered.
    EXPECT_EQ(table.openablePorts(), (QList<int>{2}));
    EXPECT_EQ(table.ports(), (QList<int>{1, 2, 3, 4}));
}

TEST(PortTableProbe, LeavesNothingOpenSoTheDeviceOpensAgainAtOnce)
{
    PseudoTerminal terminal;
    ASSERT_FALSE(terminal.path().isEmpty());
    terminal.releaseSlave();
    ASSERT_EQ(descriptorsOpenOn(terminal.path()), 0);

    EXPECT_TRUE(canOpenPort(terminal.path()));
    EXPECT_EQ(descriptorsOpenOn(terminal.path()), 0);

    // Another program can take the device for itself right after the probe.
    const int fd = ::open(QFile::encodeName(terminal.path()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(descriptorsOpenOn(terminal.path()), 1);
    EXPECT_EQ(::ioctl(fd, TIOCEXCL), 0);
    ::close(fd);
}
