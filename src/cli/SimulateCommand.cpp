#include "cli/BaudRange.h"
#include "cli/CommandApplication.h"
#include "cli/CommandMessages.h"
#include "cli/Commands.h"
#include "cli/EncodingOption.h"
#include "cli/StopSignals.h"
#include "report/ReportFile.h"
#include "serial/LineSettings.h"
#include "simulator/InstrumentSimulator.h"
#include "simulator/SampleReport.h"
#include "system/Error.h"
#include "system/ExitCodes.h"
#include "system/SystemText.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>

namespace elvaro::cli {

namespace {

using simulator::InstrumentSimulator;

struct SimulateOptions {
    std::string reportPath;
    int baudRate = serial::kLineBaudRate;
    bool once = false;
    report::ReportEncoding encoding = report::ReportEncoding::Automatic;
};

int readBaudRate(const std::string &text)
{
    int baud = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), baud);
    if (error != std::errc() || end != text.data() + text.size() || baud < kMinBaudRate || baud > kMaxBaudRate)
        throw UsageError("--baud expects a whole number from " + std::to_string(kMinBaudRate) + " to "
                         + std::to_string(kMaxBaudRate) + ", not " + inQuotes(text));
    return baud;
}

// The options; nothing when the help was asked for.
std::optional<SimulateOptions> readOptions(const Arguments &args)
{
    SimulateOptions options;
    bool reportGiven = false;
    OptionParser parser(*findCommandHelp("simulate"));
    parser.addFlag("--once", [&] { options.once = true; });
    parser.addValue("--baud", [&](const std::string &value) { options.baudRate = readBaudRate(value); });
    addEncodingOption(parser, options.encoding);
    parser.setOperands([&](const std::string &operand) {
        if (reportGiven)
            throw UsageError("only one REPORT file can be given; " + inQuotes(operand) + " is one too many");
        options.reportPath = operand;
        reportGiven = true;
    });
    if (!parser.parse(args))
        return std::nullopt;
    return options;
}

// The bytes to send: the file REPORT, at most report::kMaxReportBytes, or the built-in sample.
// `size` is set once the file is read, before its bytes are copied for sending. A report read as
// UTF-8 is sent in code page 437, as the instrument sends it.
struct ReportToSend {
    std::optional<QByteArray> bytes;
    QString errorString;
};

ReportToSend refused(const QString &why)
{
    return {std::nullopt, why};
}

ReportToSend readReport(const SimulateOptions &options, const CommandMessages &messages, qsizetype &size)
{
    const std::string &path = options.reportPath;
    if (path.empty())
        return {simulator::sampleReport(), {}};
    const QString name = path == "-" ? QStringLiteral("standard input") : QString::fromLocal8Bit(path.c_str());
    std::string bytes;
    try {
        bytes = report::readReportBytes(path);
    } catch (const Error &problem) {
        return refused(QStringLiteral("cannot read %1: %2").arg(name, QString::fromLocal8Bit(problem.what())));
    }
    size = static_cast<qsizetype>(bytes.size());
    if (bytes.empty())
        return refused(QStringLiteral("%1 is empty: there is no report to send").arg(name));
    const bool utf8 = options.encoding == report::ReportEncoding::Utf8
                      || (options.encoding == report::ReportEncoding::Automatic && report::readsAsUtf8(bytes));
    if (utf8) {
        if (report::firstInvalidUtf8(bytes) != std::string::npos)
            return refused(QStringLiteral("%1 is not UTF-8; send it as it is with --encoding cp437").arg(name));
        std::size_t replaced = 0;
        bytes = report::toCodePage437(bytes, replaced);
        if (replaced > 0) {
            messages.warning(std::to_string(replaced) + (replaced == 1 ? " character" : " characters") + " of "
                             + name.toStdString() + " " + (replaced == 1 ? "is" : "are")
                             + " not in the instrument's code page 437 and " + (replaced == 1 ? "is" : "are")
                             + " sent as '?'");
        }
    }
    return {QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), {}};
}

// Plays the instrument until it is stopped, or after one report with --once. `reportSize` is set
// as soon as the size of the report is known, for the message when memory runs out.
int simulate(const SimulateOptions &options, const CommandMessages &messages, qsizetype &reportSize)
{
    ReportToSend report = readReport(options, messages, reportSize);
    if (!report.bytes)
        return messages.failure(report.errorString);
    reportSize = report.bytes->size();

    const CommandApplication application;

    // Watching for Ctrl-C starts before the device is announced, so that a stop right after it
    // still ends the simulator in order.
    StopSignals stopSignals;
    if (!stopSignals.isWatching())
        return messages.failure(stopSignals.errorString());
    InstrumentSimulator simulator(std::move(*report.bytes), options.baudRate);
    if (!simulator.start())
        return messages.failure(simulator.errorString());
    const QByteArray device = simulator.devicePath().toLocal8Bit();
    // The path is the only way a receiving program finds the instrument: when it cannot be
    // printed, playing on would serve no one.
    if (std::printf("%s\n", device.constData()) < 0 || std::fflush(stdout) != 0) {
        const QString reason = QString::fromLocal8Bit(system::errorText(errno));
        return messages.failure(QStringLiteral("cannot print the device path %1 on standard output (%2), so no "
                                               "program could find the instrument; it stops")
                                    .arg(simulator.devicePath(), reason));
    }
    messages.notice("the instrument is on " + device.toStdString() + " at " + std::to_string(options.baudRate)
                    + " baud; Ctrl-C ends.");

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
    return failureMessage.isEmpty() ? system::kExitSuccess : messages.failure(failureMessage);
}

} // namespace

int runSimulate(const Arguments &args, const CommandMessages &messages)
{
    const std::optional<SimulateOptions> options = readOptions(args);
    if (!options)
        return system::kExitSuccess;
    qsizetype reportSize = 0;
    return messages.failWhenOutOfMemory(
        [&] { return simulate(*options, messages, reportSize); },
        [&] {
            return QStringLiteral("Not enough memory to send the report of %1 bytes. Close other programs and try "
                                  "again, or send a smaller report.")
                .arg(reportSize);
        });
}

} // namespace elvaro::cli
