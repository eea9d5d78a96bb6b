// Time to receive 1 MiB of random bytes written into a pseudo-terminal as fast as it takes them,
// read in the download loop's shape and collected as the view would show it. Goal: under 2 s.
#include "report/ByteFilter.h"
#include "serial/PseudoTerminal.h"
#include "serial/SerialReceiver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    constexpr std::size_t kSize = 1 << 20;
    constexpr int kRuns = 5;

    std::string sent(kSize, '\0');
    std::mt19937 random(5);
    for (char &byte : sent)
        byte = static_cast<char>(random() & 0xff);
    const std::string expected = elvaro::report::filterBytes(sent);

    double best = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        elvaro::serial::PseudoTerminal line;
        elvaro::serial::SerialReceiver receiver;
        if (!line.open() || !receiver.open(line.devicePath())) {
            std::fprintf(stderr, "serial_receive: %s%s\n", qPrintable(line.errorString()), qPrintable(receiver.errorString()));
            return 1;
        }
        // Wakes the loop should the writer stall, so that a broken run ends instead of hanging.
        QTimer watchdog;
        watchdog.start(1000);

        QElapsedTimer clock;
        clock.start();
        bool written = false;
        std::thread writer([&] { written = line.writeAll(sent); });
        QString view;
        QString pending;
        int idlePasses = 0;
        while (view.size() + pending.size() + 1 < static_cast<qsizetype>(expected.size()) && idlePasses < 5) {
            QCoreApplication::processEvents(pending.isEmpty() ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
            if (receiver.hasWaiting()) {
                pending += receiver.readAvailable();
                idlePasses = 0;
            } else if (!pending.isEmpty()) {
                view += pending;
                pending.clear();
            } else if (!writer.joinable() || written) {
                ++idlePasses;
            }
        }
        writer.join();
        view += pending + receiver.finish();
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        if (!written || view.toLatin1().toStdString() != expected) {
            std::fprintf(stderr, "serial_receive: run %d received %lld of %zu characters, not the bytes sent\n", run + 1,
                         static_cast<long long>(view.size()), expected.size());
            return 1;
        }
        best = std::min(best, seconds);
    }
    std::printf("receive 1 MiB through a pseudo-terminal: best of %d %.0f ms (goal: under 2000 ms) %s\n", kRuns,
                best * 1000, best < 2.0 ? "met" : "MISSED");
    return 0;
}
