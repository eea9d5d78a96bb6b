#include "serial/SampleReport.h"
#include "serial/SerialReceiver.h"

#include "SerialCommandSupport.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <ostream>

namespace {

using elvaro::serial::SerialReceiver;
using namespace elvaro::serial::testing;

const QString kFastBaud = QStringLiteral("2000000");

TEST(SimulateCommand, OnceSendsTheWholeSampleReportThenEndsWhenTheReceiverCloses)
{
    Command simulate({"simulate", "--baud", kFastBaud, "--once"});
    const QString device = simulate.firstLine();
    ASSERT_TRUE(device.startsWith("/dev/")) << device.toStdString() << simulate.errors().toStdString();

    SerialReceiver receiver;
    ASSERT_TRUE(receiver.open(device)) << receiver.errorString().toStdString();
    const QString expected = filtered(elvaro::serial::sampleReport());
    EXPECT_EQ(receive(receiver, expected), expected);

    EXPECT_EQ(simulate.finish(), 0);
    EXPECT_EQ(simulate.errors(), QString());
}

TEST(SimulateCommand, SendsAUtf8ReportInTheInstrumentsCodePage)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("report.txt");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("┌────┐\r\n│°C €│\r\n╰━━━━╯\r\n").toUtf8());
    file.close();

    Command simulate({"simulate", path, "--baud", kFastBaud, "--once"});
    SerialReceiver receiver;
    ASSERT_TRUE(receiver.open(simulate.firstLine()));
    const QString expected = QStringLiteral("+----+\r\n|°C ?|\r\n+----+\r\n");
    EXPECT_EQ(receive(receiver, expected), expected);
    EXPECT_EQ(simulate.finish(), 0);
    EXPECT_EQ(simulate.errors(), QStringLiteral("elvaro-q3 simulate: 1 character of %1 is not in the instrument's "
                                                "code page 437 and is sent as '?'\n")
                                     .arg(path));
}

TEST(SimulateCommand, SendsTheBytesOfAReportFileUnchanged)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("report.bin");
    const QByteArray report("\xda\xc4\xbf\r\n\xb3\x41\xb3\r\n\xc0\xc4\xd9\r\n\x7f\x80\xe1", 18);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(report);
    file.close();

    Command simulate({"simulate", path, "--baud", kFastBaud, "--once"});
    SerialReceiver receiver;
    ASSERT_TRUE(receiver.open(simulate.firstLine()));
    EXPECT_EQ(receive(receiver, QStringLiteral("+-+\r\n|A|\r\n+-+\r\n\x7fÇß")),
              QStringLiteral("+-+\r\n|A|\r\n+-+\r\n\x7fÇß"));
    EXPECT_EQ(simulate.finish(), 0);
}

TEST(SimulateCommand, StopsCleanlyOnSigterm)
{
    Command simulate({"simulate"});
    ASSERT_TRUE(simulate.firstLine().startsWith("/dev/"));
    simulate.signal(SIGTERM);
    EXPECT_EQ(simulate.finish(), 0);
    EXPECT_EQ(simulate.errors(), QString());
}

TEST(SimulateCommand, StopsWhenItCannotPrintItsDevicePath)
{
    ensureApplication();
    QProcess simulate;
    simulate.setStandardOutputFile(QStringLiteral("/dev/full"));
    simulate.start(QStringLiteral(ELVARO_EXECUTABLE), {"simulate"});
    ASSERT_TRUE(simulate.waitForFinished(10000)) << "simulate went on without telling anyone its device";
    EXPECT_EQ(simulate.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(simulate.exitCode(), 1);
    const QString errors = QString::fromLocal8Bit(simulate.readAllStandardError());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^elvaro-q3 simulate: cannot print the device path /dev/pts/\\d+ "
                                                  "on standard output \\(No space left on device\\), so no program "
                                                  "could find the instrument; it stops\n$"))
                    .match(errors)
                    .hasMatch())
        << errors.toStdString();
}

struct RefusalCase {
    const char *name;
    QStringList args;
    int exitCode;
    QString firstErrorLine;
};
void PrintTo(const RefusalCase &example, std::ostream *out)
{
    *out << example.name;
}

class SimulateRefuses : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(SimulateRefuses, WithTheReasonOnStandardError)
{
    QTemporaryDir folder;
    QFile empty(folder.filePath("empty.txt"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();

    QStringList args{"simulate"};
    for (const QString &arg : GetParam().args)
        args.append(QString(arg).replace("FOLDER", folder.path()));
    Command simulate(args);
    EXPECT_EQ(simulate.finish(), GetParam().exitCode);
    EXPECT_EQ(simulate.output(), QByteArray());
    EXPECT_EQ(simulate.errors().section('\n', 0, 0),
              QString(GetParam().firstErrorLine).replace("FOLDER", folder.path()));
}

INSTANTIATE_TEST_SUITE_P(
    SimulateCommand, SimulateRefuses,
    ::testing::Values(
        RefusalCase{"BaudZero",
                    {"--baud", "0"},
                    2,
                    "elvaro-q3 simulate: --baud expects a whole number from 50 to 100000000, not '0'"},
        RefusalCase{"BaudMissing", {"--baud"}, 2, "elvaro-q3 simulate: --baud needs a value"},
        RefusalCase{"TwoReports",
                    {"a.txt", "b.txt"},
                    2,
                    "elvaro-q3 simulate: only one REPORT file can be given; 'b.txt' is one too many"},
        RefusalCase{"MissingReport",
                    {"FOLDER/missing.txt"},
                    1,
                    "elvaro-q3 simulate: cannot read FOLDER/missing.txt: No such file or directory"},
        RefusalCase{"EmptyReport",
                    {"FOLDER/empty.txt"},
                    1,
                    "elvaro-q3 simulate: FOLDER/empty.txt is empty: there is no report to send"},
        RefusalCase{"FolderAsReport", {"FOLDER"}, 1, "elvaro-q3 simulate: cannot read FOLDER: Is a directory"},
        RefusalCase{"EndlessReport",
                    {"/dev/zero"},
                    1,
                    "elvaro-q3 simulate: cannot read /dev/zero: the report is larger than 64 MiB, the most "
                    "this program reads; a report of the instrument is far smaller. Check that this is the "
                    "right file, or cut it into smaller reports."}),
    [](const ::testing::TestParamInfo<RefusalCase> &info) { return info.param.name; });

} // namespace
