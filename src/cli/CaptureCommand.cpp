#include "cli/CommandApplication.h"
#include "cli/CommandErrors.h"
#include "cli/Commands.h"
#include "cli/StopSignals.h"
#include "serial/PortTable.h"
#include "serial/SerialReceiver.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include <unistd.h>

namespace elvaro::cli {

namespace {

using serial::PortTable;
using serial::SerialReceiver;

constexpr const char *kUsage =
        "Usage: elvaro-q3 capture (--port N | --device PATH) [-o FILE] [--idle SECONDS]\n"
        "\n"
        "Receives a report from a serial port at 9600,N,8,1 without a window and writes it to\n"
        "FILE (default: standard output) as it arrives, line-drawing bytes mapped to \"-\", \"|\"\n"
        "and \"+\", carriage returns and line feeds kept. Ends on Ctrl-C or SIGTERM, or after\n"
        "SECONDS without a byte.\n"
        "\n"
        "  --port N         port number N (1 to 16), numbered as the desktop program numbers them\n"
        "  --device PATH    the serial device, for example /dev/ttyUSB0\n"
        "  -o FILE          write to FILE (replaced if it exists) instead of standard output\n"
        "  --idle SECONDS   end after SECONDS without a byte (fractions allowed, e.g. 2.5)\n";

// The longest --idle accepted: one day; a longer wait is a mistake, Ctrl-C ends it anyway.
constexpr double kMaxIdleSeconds = 24 * 60 * 60;

struct CaptureOptions {
    std::optional<int> port;
    std::string device;
    std::string outputPath;
    std::optional<std::chrono::milliseconds> idle;
};

constexpr CommandErrors kErrors{"capture"};

std::optional<int> parsePort(const std::string &text)
{
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < PortTable::kFirstPort
        || port > PortTable::kLastPort)
        return std::nullopt;
    return port;
}

std::optional<std::chrono::milliseconds> parseSeconds(const std::string &text)
{
    double seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || !(seconds > 0)
        || seconds > kMaxIdleSeconds)
        return std::nullopt;
    return std::chrono::milliseconds(std::max<long long>(1, std::llround(seconds * 1000)));
}

// Reads the options; on bad usage returns the exit code in `exitCode`.
std::optional<CaptureOptions> parseOptions(const Arguments &args, int &exitCode)
{
    CaptureOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            exitCode = 0;
            return std::nullopt;
        }
        const bool takesValue = arg == "--port" || arg == "--device" || arg == "-o" || arg == "--idle";
        if (!takesValue) {
            exitCode = kErrors.usage(arg.starts_with("-") ? "unknown option '" + arg + "'"
                                                       : "unexpected argument '" + arg + "'");
            return std::nullopt;
        }
        if (i + 1 == args.size()) {
            exitCode = kErrors.usage(arg + " needs a value");
            return std::nullopt;
        }
        const std::string &value = args[++i];
        if (arg == "--port") {
            options.port = parsePort(value);
            if (!options.port) {
                exitCode = kErrors.usage("--port expects a port number from 1 to 16, not '" + value + "'");
                return std::nullopt;
            }
        } else if (arg == "--device") {
            options.device = value;
        } else if (arg == "-o") {
            options.outputPath = value;
        } else {
            options.idle = parseSeconds(value);
            if (!options.idle) {
                exitCode = kErrors.usage("--idle expects a number of seconds above 0, not '" + value + "'");
                return std::nullopt;
            }
        }
    }
    if (options.port.has_value() == !options.device.empty()) {
        exitCode = kErrors.usage("name the serial port with either --port N or --device PATH");
        return std::nullopt;
    }
    return options;
}

std::optional<QString> resolveDevice(const CaptureOptions &options, QString &error)
{
    if (!options.port)
        return QString::fromLocal8Bit(options.device.c_str());
    const PortTable table = PortTable::fromSystem({});
    if (const std::optional<QString> device = table.device(*options.port))
        return device;
    QStringList known;
    for (const int port : table.ports())
        known.append(QStringLiteral("%1 = %2").arg(port).arg(table.describe(port)));
    error = QStringLiteral("port %1 names no serial device on this machine (%2); name the device "
                           "with --device PATH")
                    .arg(*options.port)
                    .arg(known.isEmpty() ? QStringLiteral("no serial port found")
                                         : QStringLiteral("ports: ") + known.join(QStringLiteral(", ")));
    return std::nullopt;
}

// Where the received text goes; every write is flushed so that nothing received is lost when the
// capture is stopped.
class Output
{
public:
    bool open(const std::string &path)
    {
        m_name = path.empty() ? QStringLiteral("standard output") : QString::fromLocal8Bit(path.c_str());
        m_file = path.empty() ? stdout : std::fopen(path.c_str(), "wb");
        if (m_file == nullptr)
            m_error = QStringLiteral("cannot write %1: %2").arg(m_name, QString::fromLocal8Bit(std::strerror(errno)));
        return m_file != nullptr;
    }

    bool write(const QString &text)
    {
        if (text.isEmpty())
            return true;
        const QByteArray bytes = text.toLatin1();
        if (std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), m_file)
                    != static_cast<std::size_t>(bytes.size())
            || std::fflush(m_file) != 0) {
            m_error = QStringLiteral("cannot write %1: %2").arg(m_name, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        return true;
    }

    bool close()
    {
        std::FILE *file = std::exchange(m_file, nullptr);
        if (file == nullptr)
            return true;
        const int result = file == stdout ? std::fflush(file) : std::fclose(file);
        if (result != 0) {
            m_error = QStringLiteral("cannot write %1: %2").arg(m_name, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        return true;
    }

    ~Output() { close(); }

    QString errorString() const { return m_error; }

private:
    std::FILE *m_file = nullptr;
    QString m_name;
    QString m_error;
};

// Receives until stopped, idle or failed. `received` counts the characters taken from the port,
// for the message when memory runs out.
int capture(const CaptureOptions &options, qint64 &received)
{
    const CommandApplication application;

    QString error;
    const std::optional<QString> device = resolveDevice(options, error);
    if (!device)
        return kErrors.failure(error);

    // Watching for Ctrl-C starts before the port opens, so that a stop at any moment after it
    // still writes what was received.
    StopSignals stopSignals;
    SerialReceiver receiver;
    if (!receiver.open(*device))
        return kErrors.failure(receiver.errorString());
    // The output is replaced only once there is a port to receive from, so that a wrong port
    // number does not wipe an earlier capture.
    Output output;
    if (!output.open(options.outputPath))
        return kErrors.failure(output.errorString());
    if (::isatty(STDERR_FILENO))
        std::fprintf(stderr, "elvaro-q3 capture: receiving from %s at 9600,N,8,1; Ctrl-C ends.\n",
                     device->toLocal8Bit().constData());

    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    QString failureMessage;

    QObject::connect(&receiver, &SerialReceiver::readyRead, &loop, [&] {
        if (options.idle)
            idle.start(*options.idle);
        const QString text = receiver.readAvailable();
        received += text.size();
        if (!output.write(text)) {
            failureMessage = output.errorString();
            loop.quit();
        }
    });
    QObject::connect(&receiver, &SerialReceiver::failed, &loop, [&](const QString &message) {
        failureMessage = message;
        loop.quit();
    });
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &loop, &QEventLoop::quit);
    QObject::connect(&idle, &QTimer::timeout, &loop, &QEventLoop::quit);

    if (options.idle)
        idle.start(*options.idle);
    loop.exec();

    // What the receiver still holds goes out even after a failure: nothing received is lost.
    if (!output.write(receiver.finish()) && failureMessage.isEmpty())
        failureMessage = output.errorString();
    if (!output.close() && failureMessage.isEmpty())
        failureMessage = output.errorString();
    return failureMessage.isEmpty() ? 0 : kErrors.failure(failureMessage);
}

} // namespace

int runCapture(const Arguments &args)
{
    int exitCode = 0;
    const std::optional<CaptureOptions> options = parseOptions(args, exitCode);
    if (!options)
        return exitCode;

    qint64 received = 0;
    try {
        return capture(*options, received);
    } catch (const std::bad_alloc &) {
        return kErrors.failure(QStringLiteral("Not enough memory to receive the report (%1 bytes received and "
                                              "written so far). Close other programs and capture again.")
                                       .arg(received));
    }
}

} // namespace elvaro::cli
