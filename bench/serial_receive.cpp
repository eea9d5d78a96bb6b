// Time to receive 1 MiB of random bytes written into a pseudo-terminal as fast as it takes them,
// received through the download's loop and collected as the view would show it. Goal: under 2 s.
#include "SerialBench.h"

#include "report/ByteFilter.h"
#include "serial/ReceiveLoop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

int main(int argc, char **argv)
{
    using namespace std::chrono_literals;
    QCoreApplication application(argc, argv);
    constexpr std::size_t kSize = 1 << 20;
    constexpr int kRuns = 5;
    // A run that takes longer is broken: it ends and is reported instead of hanging.
    constexpr auto kGiveUpAfter = 30s;

    const std::string sent = elvaro::bench::randomBytes(kSize, 5);
    std::string expected;
    elvaro::report::appendFiltered(expected, sent);

    double best = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        elvaro::serial::PseudoTerminal line;
        elvaro::serial::SerialReceiver receiver;
        if (!elvaro::bench::openLine("serial_receive", line, receiver))
            return 1;
        // Wakes the loop should the writer stall, so that the give-up time is noticed.
        QTimer watchdog;
        watchdog.start(1s);

        QElapsedTimer clock;
        clock.start();
        bool written = false;
        std::thread writer([&] { written = line.writeAll(sent); });
        QString view;
        // A carriage return at the very end is held back until the loop ends.
        const auto complete = [&] { return view.size() + 1 >= static_cast<qsizetype>(expected.size()); };
        elvaro::serial::receiveUntilStopped(
            receiver,
            {.stopRequested = [&] { return complete() || std::chrono::milliseconds(clock.elapsed()) > kGiveUpAfter; },
             .show = [&view](const QString &text) { view += text; },
             .progress = nullptr});
        writer.join();
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        if (!written || view.toLatin1().toStdString() != expected) {
            std::fprintf(stderr, "serial_receive: run %d received %lld of %zu characters, not the bytes sent\n",
                         run + 1, static_cast<long long>(view.size()), expected.size());
            return 1;
        }
        best = std::min(best, seconds);
    }
    std::printf("receive 1 MiB through a pseudo-terminal: best of %d %.0f ms (goal: under 2000 ms) %s\n", kRuns,
                best * 1000, best < 2.0 ? "met" : "MISSED");
    return 0;
}
