#include "report/CCella.h"
#include "report/ReportFile.h"
#include "report/ReportTestSupport.h"
#include "serial/InstrumentSimulator.h"
#include "serial/PortTable.h"
#include "serial/SampleReport.h"
#include "serial/SerialReceiver.h"

#include "SerialTestSupport.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <string>

namespace {

using elvaro::serial::InstrumentSimulator;
using elvaro::serial::SerialReceiver;
using namespace elvaro::serial::testing;

// Fast enough that a whole sample report takes a few milliseconds.
constexpr int kTestBaudRate = 2'000'000;

class SimulatorOnLine : public ::testing::Test {
protected:
    void startSimulator(const QByteArray &report, int baudRate)
    {
        ensureApplication();
        simulator = std::make_unique<InstrumentSimulator>(report, baudRate);
        ASSERT_TRUE(simulator->start()) << simulator->errorString().toStdString();
        QObject::connect(simulator.get(), &InstrumentSimulator::reportSent, [this] { ++reportsSent; });
        QObject::connect(simulator.get(), &InstrumentSimulator::deviceClosed, [this] { ++closes; });
    }

    std::unique_ptr<InstrumentSimulator> simulator;
    SerialReceiver receiver;
    int reportsSent = 0;
    int closes = 0;
};

TEST_F(SimulatorOnLine, EveryOpenReceivesTheWholeReport)
{
    const QByteArray report = elvaro::serial::sampleReport();
    startSimulator(report, kTestBaudRate);
    const QString expected = filtered(report);

    for (int download = 1; download <= 2; ++download) {
        ASSERT_TRUE(receiver.open(simulator->devicePath())) << receiver.errorString().toStdString();
        EXPECT_EQ(receive(receiver, expected), expected) << "download " << download;
        ASSERT_TRUE(runUntil([&] { return closes == download; })) << "download " << download;
    }
    EXPECT_EQ(reportsSent, 2);
}

TEST_F(SimulatorOnLine, ProgramLeavingMidReportDoesNotPassTheRestToTheNextOne)
{
    // 400 bytes at 20000 baud take 200 ms: time enough to leave in the middle.
    QByteArray report;
    for (int line = 0; line < 20; ++line)
        report += QByteArray::number(100 + line) + QByteArray(15, 'x') + "\r\n";
    startSimulator(report, 20'000);

    ASSERT_TRUE(receiver.open(simulator->devicePath()));
    QString first;
    ASSERT_TRUE(runUntil([&] {
        first += receiver.readAvailable();
        return !first.isEmpty();
    }));
    first += receiver.finish();
    ASSERT_LT(first.size(), report.size());

    ASSERT_TRUE(receiver.open(simulator->devicePath()));
    EXPECT_EQ(receive(receiver, filtered(report)), filtered(report));
    EXPECT_EQ(reportsSent, 1);
}

TEST_F(SimulatorOnLine, PortProbeOpeningAndClosingAtOnceDoesNotDisturbTheNextDownload)
{
    const QByteArray report = elvaro::serial::sampleReport();
    startSimulator(report, kTestBaudRate);
    ASSERT_TRUE(elvaro::serial::canOpenPort(simulator->devicePath()));
    runFor(50ms);

    ASSERT_TRUE(receiver.open(simulator->devicePath()));
    EXPECT_EQ(receive(receiver, filtered(report)), filtered(report));
    EXPECT_EQ(reportsSent, 1);
}

TEST_F(SimulatorOnLine, PacesTheReportAtTenBitsAByte)
{
    // 300 bytes at 15000 baud: 1500 bytes a second, so no less than 200 ms.
    const QByteArray report(300, 'p');
    startSimulator(report, 15'000);
    ASSERT_TRUE(receiver.open(simulator->devicePath()));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(receive(receiver, filtered(report)).size(), report.size());
    EXPECT_GE(clock.elapsed(), 180);
}

TEST(InstrumentSimulatorStart, RefusesWhatCannotBeSent)
{
    ensureApplication();
    InstrumentSimulator empty(QByteArray(), elvaro::serial::kLineBaudRate);
    EXPECT_FALSE(empty.start());
    EXPECT_EQ(empty.errorString(), QStringLiteral("the report is empty: there is nothing to send"));

    InstrumentSimulator stopped(QByteArray("x"), 0);
    EXPECT_FALSE(stopped.start());
    EXPECT_EQ(stopped.errorString(), QStringLiteral("the baud rate must be a positive number"));
}

// ---- The built-in report is drawn as the instrument draws ----------------------------------------

int countBoxes(elvaro::report::CCella &cell, int depth, int &deepest)
{
    int boxes = 0;
    const auto &members = cell.SottoCelle();
    for (std::int32_t i = 1; i <= members->Count(); ++i) {
        elvaro::report::CCella &member = members->Item(i);
        if (!member.Bordato())
            continue;
        deepest = std::max(deepest, depth);
        boxes += 1 + countBoxes(member, depth + 1, deepest);
    }
    return boxes;
}

TEST(SampleReport, IsDrawnInCodePage437AndParsesIntoSideBySideAndNestedBoxes)
{
    const QByteArray report = elvaro::serial::sampleReport();
    for (const unsigned char drawing : {218, 191, 192, 217, 196, 179})
        EXPECT_TRUE(report.contains(static_cast<char>(drawing))) << int(drawing);
    EXPECT_EQ(report.count("\r\n"), report.count('\n'));
    const std::string text = elvaro::report::decodeReport(report.toStdString());
    elvaro::report::CCella root;
    elvaro::report::testing::RecordingReporter reporter;
    root.newCella(text, reporter);

    EXPECT_TRUE(reporter.messages.empty()) << reporter.messages.front();
    int deepest = 0;
    // Three boxes side by side, the summary box and the box nested in it.
    EXPECT_EQ(countBoxes(root, 1, deepest), 5);
    EXPECT_EQ(deepest, 2);
}

} // namespace
