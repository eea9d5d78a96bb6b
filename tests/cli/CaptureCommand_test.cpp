#include "serial/PseudoTerminal.h"
#include "serial/SampleReport.h"

#include "SerialCommandSupport.h"

#include <gtest/gtest.h>

#include <ostream>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using elvaro::serial::PseudoTerminal;
using namespace elvaro::serial::testing;

class CaptureOnLine : public LineTest {
protected:
    void SetUp() override
    {
        LineTest::SetUp();
        output = folder.filePath("report.txt");
    }

    // Starts capture on the line and waits until it has the device open.
    std::unique_ptr<Command> startCapture(QStringList extra)
    {
        auto capture = std::make_unique<Command>(QStringList{"capture", "--device", line.devicePath()} + extra);
        EXPECT_TRUE(waitUntil([&] { return line.deviceIsOpen(); })) << capture->errors().toStdString();
        return capture;
    }

    QTemporaryDir folder;
    QString output;
};

TEST_F(CaptureOnLine, WritesTheFilteredReportToStandardOutputAndEndsWhenIdle)
{
    auto capture = startCapture({"--idle", "0.3"});
    const QByteArray report = elvaro::serial::sampleReport();
    ASSERT_TRUE(line.writeAll(std::string_view(report.constData(), static_cast<std::size_t>(report.size()))));

    EXPECT_EQ(capture->finish(), 0);
    EXPECT_EQ(QString::fromUtf8(capture->output()), filtered(report));
    EXPECT_EQ(capture->errors(), QString());
}

class CaptureStopped : public CaptureOnLine, public ::testing::WithParamInterface<int> {};

TEST_P(CaptureStopped, WritesToTheFileAsItArrivesAndKeepsTheHeldLineEnd)
{
    auto capture = startCapture({"-o", output});
    ASSERT_TRUE(line.writeAll("\xda\xc4\xbf\r"));
    ASSERT_TRUE(waitUntil([&] { return fileContents(output) == "+-+"; })) << fileContents(output).toStdString();

    capture->signal(GetParam());
    EXPECT_EQ(capture->finish(), 0);
    EXPECT_EQ(fileContents(output), QByteArray("+-+\r"));
    EXPECT_EQ(capture->errors(), QString());
}

INSTANTIATE_TEST_SUITE_P(CaptureCommand, CaptureStopped, ::testing::Values(SIGINT, SIGTERM),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return std::string(info.param == SIGINT ? "Interrupt" : "Terminate");
                         });

TEST_F(CaptureOnLine, VanishingDeviceFailsWithOneLineAndKeepsWhatArrived)
{
    auto capture = startCapture({"-o", output});
    ASSERT_TRUE(line.writeAll("kept\r\n"));
    ASSERT_TRUE(waitUntil([&] { return fileContents(output).size() == 6; }));
    const QString device = line.devicePath();
    line.close();

    EXPECT_EQ(capture->finish(), 1);
    EXPECT_EQ(fileContents(output), QByteArray("kept\r\n"));
    EXPECT_EQ(capture->errors(),
              QStringLiteral("elvaro-q3 capture: The connection to %1 was lost: the device is gone (cable or "
                             "USB adapter unplugged?). The text received so far is kept.\n")
                  .arg(device));
}

TEST_F(CaptureOnLine, UnwritableOutputFailsWithOneLineThatNamesTheRealProblem)
{
    const std::pair<QString, QString> cases[] = {
        {folder.filePath("missing/out.txt"), "cannot write %1: No such file or directory"},
        // The system says "No such file or directory" here too, of a folder that is there.
        {"/proc/elvaro-capture.csv", "cannot create %1: the folder /proc is one of the system's own folders and "
                                     "takes no new files; choose another folder"},
    };
    for (const auto &[path, message] : cases) {
        Command capture({"capture", "--device", line.devicePath(), "-o", path});
        EXPECT_EQ(capture.finish(), 1);
        EXPECT_EQ(capture.errors(), "elvaro-q3 capture: " + message.arg(path) + "\n");
    }
}

// On a terminal, standard error tells what capture waits for until the first byte, then where the
// text goes.
TEST_F(CaptureOnLine, OnATerminalSaysWhatItWaitsForAndWhenTheReportArrives)
{
    int terminal = -1;
    int terminalDevice = -1;
    ASSERT_EQ(::openpty(&terminal, &terminalDevice, nullptr, nullptr, nullptr), 0);
    const QString terminalPath = QString::fromLocal8Bit(::ttyname(terminalDevice));
    ::fcntl(terminal, F_SETFL, O_NONBLOCK);
    QByteArray shown;
    const auto readTerminal = [&] {
        char chunk[512];
        for (ssize_t n; (n = ::read(terminal, chunk, sizeof chunk)) > 0;)
            shown.append(chunk, n);
        return shown;
    };

    auto capture = std::make_unique<Command>(
        QStringList{"capture", "--device", line.devicePath(), "--idle", "2.5", "-o", output}, terminalPath);
    const QString waiting = "elvaro-q3 capture: waiting for the report from " + line.devicePath()
                            + " at 9600,N,8,1 (9600 baud, no parity, 8 data bits, 1 stop bit); Ctrl-C stops it, and so "
                              "do 2.5 s without a byte.\r\n";
    EXPECT_TRUE(waitUntil([&] { return readTerminal().contains(waiting.toLocal8Bit()); })) << shown.toStdString();
    ASSERT_TRUE(line.writeAll("report\r\n"));
    const QString receiving =
        "elvaro-q3 capture: receiving from " + line.devicePath() + " into " + output + "; Ctrl-C stops it.\r\n";
    EXPECT_TRUE(waitUntil([&] { return readTerminal().endsWith(receiving.toLocal8Bit()); })) << shown.toStdString();
    capture->signal(SIGINT);
    EXPECT_EQ(capture->finish(), 0);
    EXPECT_EQ(fileContents(output), QByteArray("report\r\n"));
    ::close(terminalDevice);
    ::close(terminal);
}

TEST(CaptureCommand, ReceivesTheSimulatorsReportWhole)
{
    Command simulate({"simulate", "--baud", "2000000", "--once"});
    const QString device = simulate.firstLine();
    ASSERT_TRUE(device.startsWith("/dev/")) << simulate.errors().toStdString();

    QTemporaryDir folder;
    const QString output = folder.filePath("captured.txt");
    Command capture({"capture", "--device", device, "-o", output, "--idle", "0.5"});

    EXPECT_EQ(capture.finish(), 0) << capture.errors().toStdString();
    EXPECT_EQ(simulate.finish(), 0) << simulate.errors().toStdString();
    EXPECT_EQ(QString::fromUtf8(fileContents(output)), filtered(elvaro::serial::sampleReport()));
}

// A user who may not use the device is told whom to ask for what: the group to join only where
// that group may read and write the device. The tests run as root, who may use every device, so
// the capture runs as the unprivileged user nobody; the program is copied where nobody may run it.
TEST_F(CaptureOnLine, AsAUserWithoutPermissionSaysWhoMayUseTheDevice)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give the line's device away and run capture as another user";
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    const group *dialout = ::getgrnam("dialout");
    if (setpriv.isEmpty() || ::getpwnam("nobody") == nullptr || dialout == nullptr)
        GTEST_SKIP() << "needs setpriv (util-linux), the user nobody and the group dialout";
    QTemporaryDir programFolder;
    const QString program = programFolder.filePath("elvaro-q3");
    ASSERT_TRUE(QFile::copy(QStringLiteral(ELVARO_EXECUTABLE), program));
    // The entry runs capture in its serial part, which it finds in libexec/elvaro-q3 beside it.
    const QString parts = QStringLiteral("libexec/elvaro-q3");
    const QString serialPart = parts + QStringLiteral("/elvaro-q3-serial");
    ASSERT_TRUE(QDir(programFolder.path()).mkpath(parts));
    ASSERT_TRUE(QFile::copy(QFileInfo(QStringLiteral(ELVARO_EXECUTABLE)).dir().filePath(serialPart),
                            programFolder.filePath(serialPart)));
    for (const QString &folder :
         {programFolder.path(), programFolder.filePath(QStringLiteral("libexec")), programFolder.filePath(parts)})
        ::chmod(QFile::encodeName(folder).constData(), 0755);

    const QByteArray device = QFile::encodeName(line.devicePath());
    struct Case {
        gid_t group;
        mode_t mode;
        QString advice;
    };
    const Case cases[] = {
        {dialout->gr_gid, 0660,
         "Members of the group 'dialout' may use it: ask the administrator to add you to that group (sudo adduser "
         "nobody dialout), then log in again."},
        {0, 0600,
         "Only its owner root may read and write it (owner root, group root, mode crw-------). Ask the "
         "administrator to let the group dialout read and write it (for example with a udev rule) and to "
         "add you to that group."},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(::chown(device.constData(), 0, c.group), 0);
        ASSERT_EQ(::chmod(device.constData(), c.mode), 0);
        QProcess capture;
        capture.start(setpriv, {"--reuid=nobody", "--regid=nogroup", "--clear-groups", program, "capture", "--device",
                                line.devicePath()});
        ASSERT_TRUE(capture.waitForFinished(10000));
        EXPECT_EQ(capture.exitCode(), 1);
        EXPECT_EQ(QString::fromLocal8Bit(capture.readAllStandardError()),
                  "elvaro-q3 capture: Cannot open " + line.devicePath() + ": you have no permission to use it. "
                      + c.advice + "\n");
    }
}

struct RefusalCase {
    const char *name;
    QStringList args;
    int exitCode;
    QString errors;
};
void PrintTo(const RefusalCase &example, std::ostream *out)
{
    *out << example.name;
}

class CaptureRefuses : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(CaptureRefuses, WithTheReasonOnStandardError)
{
    QTemporaryDir folder;
    QFile earlier(folder.filePath("earlier.txt"));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier capture");
    earlier.close();
    QStringList args{"capture"};
    for (const QString &arg : GetParam().args)
        args.append(QString(arg).replace("FOLDER", folder.path()));
    Command capture(args);
    EXPECT_EQ(capture.finish(), GetParam().exitCode);
    EXPECT_EQ(capture.output(), QByteArray());
    EXPECT_EQ(capture.errors(), QString(GetParam().errors).replace("FOLDER", folder.path()));
    EXPECT_EQ(fileContents(folder.filePath("earlier.txt")), QByteArray("earlier capture"));
}

const QString kSeeHelp = QStringLiteral("\nRun 'elvaro-q3 capture --help' for usage.\n");

INSTANTIATE_TEST_SUITE_P(
    CaptureCommand, CaptureRefuses,
    ::testing::Values(
        RefusalCase{"NoPortNamed",
                    {},
                    2,
                    "elvaro-q3 capture: name the serial port with either --port N or --device PATH" + kSeeHelp},
        RefusalCase{"PortOutOfRange",
                    {"--port", "17"},
                    2,
                    "elvaro-q3 capture: --port expects a port number from 1 to 16, not '17'" + kSeeHelp},
        RefusalCase{"IdleNotANumber",
                    {"--device", "/dev/ttyS0", "--idle", "soon"},
                    2,
                    "elvaro-q3 capture: --idle expects a number of seconds above 0, not 'soon'" + kSeeHelp},
        RefusalCase{"UnknownOption", {"--verbose"}, 2, "elvaro-q3 capture: unknown option '--verbose'" + kSeeHelp},
        RefusalCase{"AFileIsNoSerialPort",
                    {"--device", "/etc/hostname"},
                    1,
                    "elvaro-q3 capture: Cannot open /etc/hostname: it is not a serial port. Choose the port the "
                    "instrument is connected to.\n"},
        RefusalCase{"NoSuchDeviceLeavesAnEarlierCaptureAlone",
                    {"--device", "/dev/ttyNOSUCH7", "-o", "FOLDER/earlier.txt"},
                    1,
                    "elvaro-q3 capture: Cannot open /dev/ttyNOSUCH7: there is no such device. Check that "
                    "the instrument's cable or USB adapter is plugged in and that this is the port it "
                    "is connected to.\n"}),
    [](const ::testing::TestParamInfo<RefusalCase> &info) { return info.param.name; });

TEST(CaptureCommand, HelpDescribesTheOptions)
{
    Command capture({"capture", "--help"});
    EXPECT_EQ(capture.finish(), 0);
    const QString usage = QString::fromLocal8Bit(capture.output());
    EXPECT_TRUE(usage.startsWith("Usage: elvaro-q3 capture (--port N | --device PATH) [-o FILE] [--idle SECONDS]\n"));
    EXPECT_EQ(capture.errors(), QString());
}

} // namespace
