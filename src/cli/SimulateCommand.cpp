#include "cli/CommandApplication.h"
#include "cli/CommandErrors.h"
#include "cli/Commands.h"
#include "cli/StopSignals.h"
#include "report/ReportFile.h"
#include "serial/InstrumentSimulator.h"
#include "serial/SampleReport.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include <unistd.h>

namespace elvaro::cli {

namespace {

using serial::InstrumentSimulator;

constexpr const char *kUsage =
        "Usage: elvaro-q3 simulate [REPORT] [--baud N] [--once]\n"
        "\n"
        "Acts as the instrument: opens a pseudo-terminal, prints the path of its device, and every\n"
        "time a program opens that device sends it the bytes of the file REPORT as they are (by\n"
        "default a built-in sample report drawn with code page 437 line-drawing bytes), paced at\n"
        "the baud rate, 10 bits a byte. Ctrl-C ends it.\n"
        "\n"
        "  --baud N   line speed in baud, 50 to 100000000 (default 9600)\n"
        "  --once     end after one whole report, once the receiving program has closed the device\n";

constexpr int kMinBaudRate = 50;
constexpr int kMaxBaudRate = 100'000'000;

struct SimulateOptions {
    std::string reportPath;
    int baudRate = serial::kLineBaudRate;
    bool once = false;
};

constexpr CommandErrors kErrors{"simulate"};

std::optional<int> parseBaudRate(const std::string &text)
{
    int baud = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), baud);
    if (error != std::errc() || end != text.data() + text.size() || baud < kMinBaudRate
        || baud > kMaxBaudRate)
        return std::nullopt;
    return baud;
}

std::optional<SimulateOptions> parseOptions(const Arguments &args, int &exitCode)
{
    SimulateOptions options;
    bool reportGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            exitCode = 0;
            return std::nullopt;
        }
        if (arg == "--once") {
            options.once = true;
        } else if (arg == "--baud") {
            if (i + 1 == args.size()) {
                exitCode = kErrors.usage("--baud needs a value");
                return std::nullopt;
            }
            const std::optional<int> baud = parseBaudRate(args[++i]);
            if (!baud) {
                exitCode = kErrors.usage("--baud expects a whole number from 50 to 100000000, not '"
                                      + args[i] + "'");
                return std::nullopt;
            }
            options.baudRate = *baud;
        } else if (arg.starts_with("-") && arg != "-") {
            exitCode = kErrors.usage("unknown option '" + arg + "'");
            return std::nullopt;
        } else if (reportGiven) {
            exitCode = kErrors.usage("only one REPORT file can be given; '" + arg + "' is one too many");
            return std::nullopt;
        } else {
            options.reportPath = arg;
            reportGiven = true;
        }
    }
    return options;
}

// The bytes to send: the file REPORT, at most report::kMaxReportBytes, or the built-in sample.
// `size` is set once the file is read, before its bytes are copied for sending.
std::optional<QByteArray> readReport(const std::string &path, qsizetype &size, QString &error)
{
    if (path.empty())
        return serial::sampleReport();
    const QString name = path == "-" ? QStringLiteral("standard input") : QString::fromLocal8Bit(path.c_str());
    std::string reason;
    const std::optional<std::string> bytes = report::readReportBytes(path, reason);
    if (!bytes) {
        error = QStringLiteral("cannot read %1: %2").arg(name, QString::fromLocal8Bit(reason.c_str()));
        return std::nullopt;
    }
    size = static_cast<qsizetype>(bytes->size());
    if (bytes->empty()) {
        error = QStringLiteral("%1 is empty: there is no report to send").arg(name);
        return std::nullopt;
    }
    return QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size()));
}

// Plays the instrument until it is stopped, or after one report with --once. `reportSize` is set
// as soon as the size of the report is known, for the message when memory runs out.
int simulate(const SimulateOptions &options, qsizetype &reportSize)
{
    QString error;
    std::optional<QByteArray> report = readReport(options.reportPath, reportSize, error);
    if (!report)
        return kErrors.failure(error);
    reportSize = report->size();

    const CommandApplication application;

    // Watching for Ctrl-C starts before the device is announced, so that a stop right after it
    // still ends the simulator in order.
    StopSignals stopSignals;
    InstrumentSimulator simulator(std::move(*report), options.baudRate);
    if (!simulator.start())
        return kErrors.failure(simulator.errorString());
    const QByteArray device = simulator.devicePath().toLocal8Bit();
    // The path is the only way a receiving program finds the instrument: when it cannot be
    // printed, playing on would serve no one.
    if (std::printf("%s\n", device.constData()) < 0 || std::fflush(stdout) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        return kErrors.failure(QStringLiteral("cannot print the device path %1 on standard output (%2), so no "
                                              "program could find the instrument; it stops")
                                       .arg(simulator.devicePath(), reason));
    }
    if (::isatty(STDERR_FILENO))
        std::fprintf(stderr, "elvaro-q3 simulate: the instrument is on %s at %d baud; Ctrl-C ends.\n",
                     device.constData(), options.baudRate);

    QEventLoop loop;
    bool reportDelivered = false;
    QString failureMessage;

    QObject::connect(&simulator, &InstrumentSimulator::reportSent, &loop, [&] { reportDelivered = true; });
    QObject::connect(&simulator, &InstrumentSimulator::deviceClosed, &loop, [&] {
        if (options.once && reportDelivered)
            loop.quit();
    });
    QObject::connect(&simulator, &InstrumentSimulator::failed, &loop, [&](const QString &message) {
        failureMessage = message;
        loop.quit();
    });
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &loop, &QEventLoop::quit);

    loop.exec();
    return failureMessage.isEmpty() ? 0 : kErrors.failure(failureMessage);
}

} // namespace

int runSimulate(const Arguments &args)
{
    int exitCode = 0;
    const std::optional<SimulateOptions> options = parseOptions(args, exitCode);
    if (!options)
        return exitCode;

    qsizetype reportSize = 0;
    try {
        return simulate(*options, reportSize);
    } catch (const std::bad_alloc &) {
        return kErrors.failure(QStringLiteral("Not enough memory to send the report of %1 bytes. Close other programs "
                                              "and try again, or send a smaller report.")
                                       .arg(reportSize));
    }
}

} // namespace elvaro::cli
