#include "cli/CommandApplication.h"
#include "cli/CommandErrors.h"
#include "cli/Commands.h"
#include "cli/StopSignals.h"
#include "serial/InstrumentSimulator.h"
#include "serial/SampleReport.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>

#include <charconv>
#include <cstdio>
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
    int baudRate = InstrumentSimulator::kDefaultBaudRate;
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

std::optional<QByteArray> readReport(const std::string &path, QString &error)
{
    if (path.empty())
        return serial::sampleReport();
    QFile file(QString::fromLocal8Bit(path.c_str()));
    const bool opened = path == "-" ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    if (!opened) {
        error = QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString());
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString());
        return std::nullopt;
    }
    if (bytes.isEmpty()) {
        error = QStringLiteral("%1 is empty: there is no report to send").arg(file.fileName());
        return std::nullopt;
    }
    return bytes;
}

} // namespace

int runSimulate(const Arguments &args)
{
    int exitCode = 0;
    const std::optional<SimulateOptions> options = parseOptions(args, exitCode);
    if (!options)
        return exitCode;

    QString error;
    std::optional<QByteArray> report = readReport(options->reportPath, error);
    if (!report)
        return kErrors.failure(error);

    const CommandApplication application;

    // Watching for Ctrl-C starts before the device is announced, so that a stop right after it
    // still ends the simulator in order.
    StopSignals stopSignals;
    InstrumentSimulator simulator(std::move(*report), options->baudRate);
    if (!simulator.start())
        return kErrors.failure(simulator.errorString());
    std::printf("%s\n", simulator.devicePath().toLocal8Bit().constData());
    std::fflush(stdout);
    if (::isatty(STDERR_FILENO))
        std::fprintf(stderr, "elvaro-q3 simulate: the instrument is on %s at %d baud; Ctrl-C ends.\n",
                     simulator.devicePath().toLocal8Bit().constData(), options->baudRate);

    QEventLoop loop;
    bool reportDelivered = false;
    QString failureMessage;

    QObject::connect(&simulator, &InstrumentSimulator::reportSent, &loop, [&] { reportDelivered = true; });
    QObject::connect(&simulator, &InstrumentSimulator::deviceClosed, &loop, [&] {
        if (options->once && reportDelivered)
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

} // namespace elvaro::cli
