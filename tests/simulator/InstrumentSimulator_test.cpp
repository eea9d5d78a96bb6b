#include "serial/SerialTestSupport.h"

#include "report/CCella.h"
#include "report/ReportTestSupport.h"
#include "serial/PortTable.h"
#include "simulator/InstrumentSimulator.h"
#include "simulator/SampleReport.h"

#include <gtest/gtest.h>

namespace {

using elvaro::serial::SerialReceiver;
using elvaro::simulator::InstrumentSimulator;
using namespace elvaro::serial::testing;

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

// The port window's probe opens and closes the device at once: it is sent nothing, and every
// download after it receives the whole report.
TEST_F(SimulatorOnLine, EveryOpenReceivesTheWholeReportAndAProbeNothing)
{
    const QByteArray report = elvaro::simulator::sampleReport();
    startSimulator(report, 2'000'000);
    ASSERT_TRUE(elvaro::serial::canOpenPort(simulator->devicePath()));
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

int countBoxes(const elvaro::report::CCella &cell, int depth, int &deepest)
{
    int boxes = 0;
    for (std::int32_t i = 1; i <= cell.children().Count(); ++i) {
        const elvaro::report::CCella &member = cell.children().Item(i);
        if (!member.Bordato())
            continue;
        deepest = std::max(deepest, depth);
        boxes += 1 + countBoxes(member, depth + 1, deepest);
    }
    return boxes;
}

TEST(SampleReport, IsDrawnInCodePage437AndParsesIntoSideBySideAndNestedBoxes)
{
    const QByteArray report = elvaro::simulator::sampleReport();
    for (const unsigned char drawing : {218, 191, 192, 217, 196, 179})
        EXPECT_TRUE(report.contains(static_cast<char>(drawing))) << int(drawing);
    EXPECT_EQ(report.count("\r\n"), report.count('\n'));
    elvaro::report::CCella root;
    elvaro::report::testing::RecordingReporter reporter;
    root.newCella(filtered(report).toStdString(), reporter);
    EXPECT_EQ(reporter.messages, std::vector<std::string>{});
    int deepest = 0;
    // Three boxes side by side, the summary box and the box nested in it.
    EXPECT_EQ(countBoxes(root, 1, deepest), 5);
    EXPECT_EQ(deepest, 2);
}

} // namespace
