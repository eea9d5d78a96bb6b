#include "cli/CommandApplication.h"
#include "cli/CommandMessages.h"
#include "cli/Commands.h"
#include "cli/StopSignals.h"
#include "serial/LineSettings.h"
#include "serial/PortTable.h"
#include "serial/SerialReceiver.h"
#include "system/ExitCodes.h"
#include "system/FolderRefusal.h"
#include "system/SystemText.h"

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
#include <filesystem>
#include <optional>
#include <string>

namespace elvaro::cli {

namespace {

using serial::PortTable;
using serial::SerialReceiver;

// The longest --idle accepted: one day; a longer wait is a mistake, Ctrl-C ends it anyway.
constexpr double kMaxIdleSeconds = 24 * 60 * 60;

// The line settings SerialReceiver opens the port with, as the instrument's manual writes them.
const std::string kLineSettings = std::to_string(serial::kLineBaudRate) + ",N,8,1";
const std::string kPortRange = std::to_string(PortTable::kFirstPort) + " to " + std::to_string(PortTable::kLastPort);

struct CaptureOptions {
    std::optional<int> port;
    std::string device;
    std::string outputPath;
    std::optional<std::chrono::milliseconds> idle;
};

int readPort(const std::string &text)
{
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < PortTable::kFirstPort
        || port > PortTable::kLastPort)
        throw UsageError("--port expects a port number from " + kPortRange + ", not " + inQuotes(text));
    return port;
}

std::chrono::milliseconds readIdleTime(const std::string &text)
{
    double seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || !(seconds > 0) || seconds > kMaxIdleSeconds)
        throw UsageError("--idle expects a number of seconds above 0, not " + inQuotes(text));
    return std::chrono::milliseconds(std::max<long long>(1, std::llround(seconds * 1000)));
}

// The options; nothing when the help was asked for.
std::optional<CaptureOptions> readOptions(const Arguments &args)
{
    CaptureOptions options;
    OptionParser parser(*findCommandHelp("capture"));
    parser.addValue("--port", [&](const std::string &value) { options.port = readPort(value); });
    parser.addValue("--device", [&](const std::string &value) { options.device = value; });
    parser.addValue("--output", [&](const std::string &value) { options.outputPath = value; });
    parser.addValue("--idle", [&](const std::string &value) { options.idle = readIdleTime(value); });
    if (!parser.parse(args))
        return std::nullopt;
    if (options.port.has_value() == !options.device.empty())
        throw UsageError("name the serial port with either --port N or --device PATH");
    return options;
}

// The device a capture receives from, or why there is none.
struct DeviceChoice {
    std::optional<QString> device;
    QString errorString;
};

DeviceChoice resolveDevice(const CaptureOptions &options)
{
    if (!options.port)
        return {QString::fromLocal8Bit(options.device.c_str()), {}};
    const PortTable table = PortTable::fromSystem({});
    if (const std::optional<QString> device = table.device(*options.port))
        return {device, {}};
    QStringList known;
    for (const int port : table.ports())
        known.append(QStringLiteral("%1 = %2").arg(port).arg(table.describe(port)));
    return {std::nullopt,
            QStringLiteral("Port %1 names no serial device on this machine (%2). Name the device with --device "
                           "PATH, or check that the instrument's cable or USB adapter is plugged in.")
                .arg(*options.port)
                .arg(known.isEmpty() ? QStringLiteral("no serial port found")
                                     : QStringLiteral("ports: ") + known.join(QStringLiteral(", ")))};
}

// What a terminal is told while nothing has arrived: the device, the line settings and how the
// capture ends.
std::string waitingNotice(const std::string &device, const CaptureOptions &options)
{
    std::string stopping = "Ctrl-C stops it";
    if (options.idle) {
        const double seconds = static_cast<double>(options.idle->count()) / 1000;
        stopping += ", and so do " + QString::number(seconds, 'g', 6).toStdString() + " s without a byte";
    }
    return "waiting for the report from " + device + " at " + kLineSettings + " ("
           + std::to_string(serial::kLineBaudRate) + " baud, no parity, 8 data bits, 1 stop bit); " + stopping + ".";
}

// Where the received text goes; every write is flushed so that nothing received is lost when the
// capture is stopped.
class Output {
public:
    bool open(const std::string &path)
    {
        m_name = path.empty() ? QStringLiteral("standard output") : QString::fromLocal8Bit(path.c_str());
        m_file = path.empty() ? stdout : std::fopen(path.c_str(), "wb");
        if (m_file != nullptr)
            return true;
        const int error = errno;
        const std::filesystem::path target(path);
        const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
        if (!system::folderTakesNoNewFiles(folder, error))
            return failed();
        m_error = QStringLiteral("cannot create %1: the folder %2 %3")
                      .arg(m_name, QString::fromLocal8Bit(folder.c_str()), QLatin1String(system::kTakesNoNewFiles));
        return false;
    }

    bool write(const QString &text)
    {
        if (text.isEmpty())
            return true;
        const QByteArray bytes = text.toUtf8();
        const auto size = static_cast<std::size_t>(bytes.size());
        return (std::fwrite(bytes.constData(), 1, size, m_file) == size && std::fflush(m_file) == 0) || failed();
    }

    bool close()
    {
        std::FILE *file = std::exchange(m_file, nullptr);
        if (file == nullptr)
            return true;
        return (file == stdout ? std::fflush(file) : std::fclose(file)) == 0 || failed();
    }

    ~Output() { close(); }

    QString errorString() const { return m_error; }

private:
    // Keeps the reason errno gives; always false.
    bool failed()
    {
        m_error = QStringLiteral("cannot write %1: %2").arg(m_name, QString::fromLocal8Bit(system::errorText(errno)));
        return false;
    }

    std::FILE *m_file = nullptr;
    QString m_name;
    QString m_error;
};

// Receives until stopped, idle or failed. `received` counts the characters taken from the port,
// for the message when memory runs out.
int capture(const CaptureOptions &options, const CommandMessages &messages, qint64 &received)
{
    const CommandApplication application;

    const DeviceChoice choice = resolveDevice(options);
    if (!choice.device)
        return messages.failure(choice.errorString);
    const QString &device = *choice.device;

    // Watching for Ctrl-C starts before the port opens, so that a stop at any moment after it
    // still writes what was received.
    StopSignals stopSignals;
    if (!stopSignals.isWatching())
        return messages.failure(stopSignals.errorString());
    SerialReceiver receiver;
    if (!receiver.open(device))
        return messages.failure(receiver.errorString());
    // The output is replaced only once there is a port to receive from, so that a wrong port
    // number does not wipe an earlier capture.
    Output output;
    if (!output.open(options.outputPath))
        return messages.failure(output.errorString());
    const std::string deviceName = device.toLocal8Bit().toStdString();
    messages.notice(waitingNotice(deviceName, options));

    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    QString failureMessage;

    QObject::connect(&receiver, &SerialReceiver::readyRead, &loop, [&] {
        if (options.idle)
            idle.start(*options.idle);
        const QString text = receiver.readAvailable();
        // The report itself shows on standard output; into a file, the terminal is told.
        if (received == 0 && !text.isEmpty() && !options.outputPath.empty())
            messages.notice("receiving from " + deviceName + " into " + options.outputPath + "; Ctrl-C stops it.");
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
    if (received == 0 && failureMessage.isEmpty())
        messages.notice("nothing arrived from " + deviceName + ".");
    return failureMessage.isEmpty() ? system::kExitSuccess : messages.failure(failureMessage);
}

} // namespace

int runCapture(const Arguments &args, const CommandMessages &messages)
{
    const std::optional<CaptureOptions> options = readOptions(args);
    if (!options)
        return system::kExitSuccess;
    qint64 received = 0;
    return messages.failWhenOutOfMemory(
        [&] { return capture(*options, messages, received); },
        [&] {
            return QStringLiteral("Not enough memory to receive the report (%1 bytes received and written so far). "
                                  "Close other programs and capture again.")
                .arg(received);
        });
}

} // namespace elvaro::cli
