#include "ProgramRunner.h"
#include "common/Bytes.h"
#include "simulator/SampleReport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <fstream>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

namespace elvaro::testing {
namespace {

class SerialCommands : public LineTest {
protected:
    // Starts capture on the line and waits until it has the device open.
    std::unique_ptr<Command> startCapture(const QStringList &extra, const Launch &launch = {})
    {
        auto capture = std::make_unique<Command>(QStringList{"capture", "--device", line.devicePath()} + extra, launch);
        EXPECT_TRUE(waitUntil([&] { return line.deviceIsOpen(); })) << capture->errors().toStdString();
        return capture;
    }

    QString writeFile(const QString &name, const QByteArray &content)
    {
        std::ofstream(folder.filePath(name).toStdString(), std::ios::binary) << content.toStdString();
        return folder.filePath(name);
    }

    QTemporaryDir folder;
    QString output = folder.filePath("report.txt");
};

// Ctrl-C and SIGTERM end the capture in order: the file has what arrived, the held line end too.
// A device that vanishes ends it with one line, and all that arrived is kept.
TEST_F(SerialCommands, CaptureWritesToTheFileAsItArrivesUntilStoppedOrUnplugged)
{
    for (const int signal : {SIGINT, SIGTERM, 0}) {
        auto capture = startCapture({signal == SIGINT ? "-o" : "--output", output});
        ASSERT_TRUE(line.writeAll("\xda\xc4\xbf\r"));
        ASSERT_TRUE(waitUntil([&] { return fileContents(output) == "+-+"; })) << fileContents(output).toStdString();
        const QString device = line.devicePath();
        signal ? capture->signal(signal) : line.close();
        EXPECT_EQ(capture->finish(), signal ? 0 : 1);
        EXPECT_EQ(fileContents(output), QByteArray("+-+\r"));
        EXPECT_EQ(capture->errors(), signal ? QString()
                                            : "elvaro-q3 capture: The connection to " + device
                                                  + " was lost: the device is gone (cable or USB adapter unplugged?). "
                                                    "The text received so far is kept.\n");
    }
}

// simulate's reports, received by capture until idle: the sample, a file's bytes unchanged, UTF-8
// in the instrument's code page.
TEST_F(SerialCommands, SimulateSendsItsReportWholeToCapture)
{
    const QByteArray bytes("\xda\xc4\xbf\r\n\xb3\x41\xb3\r\n\xc0\xc4\xd9\r\n\x7f\x80\xe1", 18);
    const std::tuple<QStringList, QString, QString> cases[] = {
        {{}, QString::fromStdString(testing::filtered(simulator::sampleReport().toStdString())), QString()},
        {{writeFile("report.bin", bytes)}, QStringLiteral("+-+\r\n|A|\r\n+-+\r\n\x7fÇß"), QString()},
        {{writeFile("utf8.txt", QStringLiteral("┌────┐\r\n│°C €│\r\n╰━━━━╯\r\n").toUtf8())},
         QStringLiteral("+----+\r\n|°C ?|\r\n+----+\r\n"),
         "elvaro-q3 simulate: 1 character of " + folder.filePath("utf8.txt")
             + " is not in the instrument's code page 437 and is sent as '?'\n"},
    };
    for (const auto &[report, received, errors] : cases) {
        // The sample is sent to every program that opens the device until simulate is stopped, and
        // received on standard output; a file's report once, into a file.
        const bool toFile = !report.isEmpty();
        Command simulate(QStringList{"simulate", "--baud", "2000000"}
                         + (toFile ? QStringList{"--once"} + report : report));
        const QString device = simulate.firstLine();
        ASSERT_TRUE(device.startsWith("/dev/")) << simulate.errors().toStdString();
        Command capture(QStringList{"capture", "--device", device, "--idle", "0.5"}
                        + (toFile ? QStringList{"-o", output} : QStringList{}));
        EXPECT_EQ(capture.finish(), 0) << capture.errors().toStdString();
        if (!toFile)
            simulate.signal(SIGTERM);
        EXPECT_EQ(simulate.finish(), 0);
        EXPECT_EQ(QString::fromUtf8(toFile ? fileContents(output) : capture.output()), received);
        EXPECT_EQ(capture.errors(), QString());
        EXPECT_EQ(simulate.errors(), errors);
    }
}

// A user who may not use the device is told whom to ask for what, from the device's owner, group
// and mode (the advice for each is SerialReceiver_test's). The tests run as root, so the capture runs as the
// user nobody, from a copy of the program where nobody may run it.
TEST_F(SerialCommands, CaptureWithoutPermissionSaysWhoMayUseTheDevice)
{
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    const group *dialout = ::getgrnam("dialout");
    if (::geteuid() != 0 || setpriv.isEmpty() || ::getpwnam("nobody") == nullptr || dialout == nullptr)
        GTEST_SKIP() << "needs root, setpriv (util-linux), the user nobody and the group dialout";
    const QString parts = QStringLiteral("libexec/elvaro-q3");
    ASSERT_TRUE(QDir(folder.path()).mkpath(parts));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ELVARO_EXECUTABLE), folder.filePath("elvaro-q3")));
    ASSERT_TRUE(QFile::copy(QFileInfo(QStringLiteral(ELVARO_EXECUTABLE)).dir().filePath(parts + "/elvaro-q3-serial"),
                            folder.filePath(parts + "/elvaro-q3-serial")));
    for (const QString &path : {folder.path(), folder.filePath("libexec"), folder.filePath(parts)})
        ::chmod(QFile::encodeName(path).constData(), 0755);
    const QByteArray device = QFile::encodeName(line.devicePath());
    ASSERT_EQ(::chown(device.constData(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(::chmod(device.constData(), 0660), 0);
    Command capture({"--reuid=nobody", "--regid=nogroup", "--clear-groups", folder.filePath("elvaro-q3"), "capture",
                     "--device", line.devicePath()},
                    {.program = setpriv});
    EXPECT_EQ(capture.finish(), 1);
    EXPECT_EQ(capture.errors(), "elvaro-q3 capture: Cannot open " + line.devicePath()
                                    + ": you have no permission to use it. Members of the group 'dialout' may use it: "
                                      "ask the administrator to add you to that group (sudo adduser nobody dialout), "
                                      "then log in again.\n");
}

} // namespace
} // namespace elvaro::testing
