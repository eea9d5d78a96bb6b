#include "serial/PseudoTerminal.h"
#include "serial/SampleReport.h"

#include "SerialCommandSupport.h"

#include <gtest/gtest.h>

#include <ostream>

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

TEST_F(CaptureOnLine, UnwritableOutputFailsWithOneLine)
{
    Command capture({"capture", "--device", line.devicePath(), "-o", folder.filePath("missing/out.txt")});
    EXPECT_EQ(capture.finish(), 1);
    EXPECT_EQ(capture.errors(), QStringLiteral("elvaro-q3 capture: cannot write %1: No such file or directory\n")
                                    .arg(folder.filePath("missing/out.txt")));
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
        RefusalCase{"NoSuchDeviceLeavesAnEarlierCaptureAlone",
                    {"--device", "/dev/ttyNOSUCH7", "-o", "FOLDER/earlier.txt"},
                    1,
                    "elvaro-q3 capture: Cannot open /dev/ttyNOSUCH7: there is no such device. Check that "
                    "the instrument's cable or USB adapter is plugged in and that the port number is "
                    "right.\n"}),
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
