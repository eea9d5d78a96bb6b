#include "report/ByteFilter.h"
#include "serial/PseudoTerminal.h"
#include "serial/SampleReport.h"

#include "SerialCommandSupport.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

using elvaro::serial::PseudoTerminal;
using namespace elvaro::serial::testing;

QByteArray filtered(const QByteArray &bytes)
{
    const std::string text = elvaro::report::filterBytes(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

class CaptureOnLine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ensureApplication();
        ASSERT_TRUE(line.open()) << line.errorString().toStdString();
        output = folder.filePath("report.txt");
    }

    // Starts capture on the line and waits until it has the device open.
    std::unique_ptr<Command> startCapture(QStringList extra)
    {
        auto capture = std::make_unique<Command>(QStringList{"capture", "--device", line.devicePath()} + extra);
        EXPECT_TRUE(waitUntil([&] { return line.deviceIsOpen(); })) << capture->errors().toStdString();
        return capture;
    }

    PseudoTerminal line;
    QTemporaryDir folder;
    QString output;
};

TEST_F(CaptureOnLine, WritesTheFilteredReportToStandardOutputAndEndsWhenIdle)
{
    auto capture = startCapture({"--idle", "0.3"});
    const QByteArray report = elvaro::serial::sampleReport();
    ASSERT_TRUE(line.writeAll(std::string_view(report.constData(), static_cast<std::size_t>(report.size()))));

    EXPECT_EQ(capture->finish(), 0);
    EXPECT_EQ(capture->output(), filtered(report));
    EXPECT_EQ(capture->errors(), QString());
}

TEST_F(CaptureOnLine, WritesToTheFileAsItArrivesAndKeepsTheHeldLineEndWhenStopped)
{
    auto capture = startCapture({"-o", output});
    ASSERT_TRUE(line.writeAll("\xda\xc4\xbf\r"));
    ASSERT_TRUE(waitUntil([&] { return fileContents(output) == "+-+"; })) << fileContents(output).toStdString();

    capture->signal(SIGINT);
    EXPECT_EQ(capture->finish(), 0);
    EXPECT_EQ(fileContents(output), QByteArray("+-+\r"));
    EXPECT_EQ(capture->errors(), QString());
}

TEST_F(CaptureOnLine, SigtermEndsItInOrder)
{
    auto capture = startCapture({"-o", output});
    ASSERT_TRUE(line.writeAll("\xb3x\xb3\r\n"));
    ASSERT_TRUE(waitUntil([&] { return fileContents(output).size() == 5; }));
    capture->signal(SIGTERM);
    EXPECT_EQ(capture->finish(), 0);
    EXPECT_EQ(fileContents(output), QByteArray("|x|\r\n"));
}

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
    EXPECT_EQ(fileContents(output), filtered(elvaro::serial::sampleReport()));
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

class CaptureRefuses : public ::testing::TestWithParam<RefusalCase>
{
};

TEST_P(CaptureRefuses, WithTheReasonOnStandardError)
{
    QTemporaryDir folder;
    QStringList args{"capture"};
    for (const QString &arg : GetParam().args)
        args.append(QString(arg).replace("FOLDER", folder.path()));
    Command capture(args);
    EXPECT_EQ(capture.finish(), GetParam().exitCode);
    EXPECT_EQ(capture.output(), QByteArray());
    EXPECT_EQ(capture.errors(), QString(GetParam().errors).replace("FOLDER", folder.path()));
}

const QString kSeeHelp = QStringLiteral("\nRun 'elvaro-q3 capture --help' for usage.\n");

INSTANTIATE_TEST_SUITE_P(
        CaptureCommand, CaptureRefuses,
        ::testing::Values(
                RefusalCase{"NoPortNamed", {}, 2,
                            "elvaro-q3 capture: name the serial port with either --port N or --device PATH" + kSeeHelp},
                RefusalCase{"BothPortAndDevice", {"--port", "1", "--device", "/dev/ttyS0"}, 2,
                            "elvaro-q3 capture: name the serial port with either --port N or --device PATH" + kSeeHelp},
                RefusalCase{"PortOutOfRange", {"--port", "17"}, 2,
                            "elvaro-q3 capture: --port expects a port number from 1 to 16, not '17'" + kSeeHelp},
                RefusalCase{"IdleZero", {"--device", "/dev/ttyS0", "--idle", "0"}, 2,
                            "elvaro-q3 capture: --idle expects a number of seconds above 0, not '0'" + kSeeHelp},
                RefusalCase{"IdleNotANumber", {"--device", "/dev/ttyS0", "--idle", "soon"}, 2,
                            "elvaro-q3 capture: --idle expects a number of seconds above 0, not 'soon'" + kSeeHelp},
                RefusalCase{"ValueMissing", {"--device"}, 2, "elvaro-q3 capture: --device needs a value" + kSeeHelp},
                RefusalCase{"UnknownOption", {"--verbose"}, 2, "elvaro-q3 capture: unknown option '--verbose'" + kSeeHelp},
                RefusalCase{"NoSuchDevice", {"--device", "/dev/ttyNOSUCH7"}, 1,
                            "elvaro-q3 capture: Cannot open /dev/ttyNOSUCH7: there is no such device. Check that "
                            "the instrument's cable or USB adapter is plugged in and that the port number is "
                            "right.\n"},
                RefusalCase{"OutputNotWritable", {"--device", "/dev/ttyNOSUCH7", "-o", "FOLDER/missing/out.txt"}, 1,
                            "elvaro-q3 capture: cannot write FOLDER/missing/out.txt: No such file or directory\n"}),
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
