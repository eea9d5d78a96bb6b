#include "serial/PortTable.h"
#include "serial/SerialTestSupport.h"
#include "simulator/InstrumentSimulator.h"
#include "simulator/SampleReport.h"

#include <gtest/gtest.h>

namespace elvaro::simulator {
namespace {

using namespace serial::testing;
using serial::canOpenPort;
using serial::SerialReceiver;

class SimulatorOnLine : public ::testing::Test {
protected:
    void start(const QByteArray &report, int baudRate)
    {
        ensureApplication();
        simulator = std::make_unique<InstrumentSimulator>(report, baudRate);
        ASSERT_TRUE(simulator->start()) << simulator->errorString().toStdString();
        QObject::connect(simulator.get(), &InstrumentSimulator::reportSent, [this] { ++reportsSent; });
        QObject::connect(simulator.get(), &InstrumentSimulator::deviceClosed, [this] { ++closes; });
    }

    std::unique_ptr<InstrumentSimulator> simulator;
    SerialReceiver receiver;
    int reportsSent = 0, closes = 0;
};

// The port window's probe opens and closes the device at once: it is sent nothing, and every
// download after it receives the whole report.
TEST_F(SimulatorOnLine, EveryOpenReceivesTheWholeReportAndAProbeNothing)
{
    start(sampleReport(), 2'000'000);
    ASSERT_TRUE(canOpenPort(simulator->devicePath()));
    const QString expected = filtered(sampleReport());
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
    start(report, 20'000);
    ASSERT_TRUE(receiver.open(simulator->devicePath()));
    QString first;
    ASSERT_TRUE(runUntil([&] { return !(first += receiver.readAvailable()).isEmpty(); }));
    ASSERT_LT((first + receiver.finish()).size(), report.size());
    ASSERT_TRUE(receiver.open(simulator->devicePath()));
    EXPECT_EQ(receive(receiver, filtered(report)), filtered(report));
    EXPECT_EQ(reportsSent, 1);
}

} // namespace
} // namespace elvaro::simulator
