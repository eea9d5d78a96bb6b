// Processor time of an open receive with nothing arriving, run through the download's loop with
// the lamp's 500 ms timer ticking. Goal: under 2 % of one core.
#include "SerialBench.h"

#include "serial/ReceiveLoop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>

namespace {

double processorSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;

    elvaro::serial::PseudoTerminal line;
    elvaro::serial::SerialReceiver receiver;
    if (!elvaro::bench::openLine("serial_idle", line, receiver))
        return 1;
    QTimer lamp;
    lamp.start(500);
    bool stop = false;
    QTimer::singleShot(static_cast<int>(seconds * 1000), [&stop] { stop = true; });

    QElapsedTimer wall;
    wall.start();
    const double processorAtStart = processorSeconds();
    long passes = 0;
    elvaro::serial::receiveUntilStopped(receiver, {.stopRequested = [&stop] { return stop; },
                                                   .show = [](const QString &) {},
                                                   .progress = [&passes](qint64) { ++passes; }});
    const double used = processorSeconds() - processorAtStart;
    const double elapsed = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const double percent = 100.0 * used / elapsed;
    std::printf("idle receive: %.2f %% of one core over %.1f s, %ld loop passes (goal: under 2 %%) %s\n", percent,
                elapsed, passes, percent < 2.0 ? "met" : "MISSED");
    return 0;
}
