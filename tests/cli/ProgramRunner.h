#pragma once

#include "serial/SerialTestSupport.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <map>
#include <string>

#include <csignal>
#include <sys/resource.h>

namespace elvaro::testing {

using namespace elvaro::serial::testing;

// Tests fill a Launch with designated initializers; the fields they leave out keep their defaults,
// which GCC warns about all the same.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

// How elvaro-q3 is started: its folder, standard input, environment (an empty value removes the
// variable), where standard output goes, and limits on file size (a full disk) and address space
// (a machine out of memory).
struct Launch {
    QString folder = QStringLiteral(".");
    QByteArray input;
    std::map<QString, QString> environment;
    QString outputTo;
    rlim_t fileSizeLimit = RLIM_INFINITY;
    rlim_t memoryLimit = RLIM_INFINITY;
    QString program = QStringLiteral(ELVARO_EXECUTABLE);
    // Started as a shell with job control starts it, this one stop signal ignored (as nohup does).
    int ignoredSignal = 0;
};

// Like runUntil, for conditions that no event announces (a file growing, a device opened by
// another process): they are looked at every few milliseconds.
inline bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds limit = 10s)
{
    ensureApplication();
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [] {});
    look.start(5ms);
    return runUntil(done, limit);
}

// elvaro-q3 running; killed if still running at the end.
class Command {
public:
    explicit Command(const QStringList &args, const Launch &launch = {})
    {
        ensureApplication();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const auto &[name, value] : launch.environment)
            value.isEmpty() ? environment.remove(name) : environment.insert(name, value);
        m_process.setProcessEnvironment(environment);
        m_process.setWorkingDirectory(launch.folder);
        if (!launch.outputTo.isEmpty())
            m_process.setStandardOutputFile(launch.outputTo);
        m_process.setChildProcessModifier([launch] {
            const rlimit fileSize{launch.fileSizeLimit, launch.fileSizeLimit};
            const rlimit addressSpace{launch.memoryLimit, launch.memoryLimit};
            ::setrlimit(RLIMIT_FSIZE, &fileSize);
            ::setrlimit(RLIMIT_AS, &addressSpace);
            for (const int stop : {SIGINT, SIGTERM, SIGHUP})
                std::signal(stop, stop == launch.ignoredSignal ? SIG_IGN : SIG_DFL);
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
        });
        m_process.start(launch.program, args);
        m_process.waitForStarted();
        m_process.write(launch.input);
        m_process.closeWriteChannel();
    }

    ~Command()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    // The first line printed on standard output, without its line end.
    QString firstLine()
    {
        waitUntil([this] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; });
        return QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }

    void signal(int number) { ::kill(static_cast<pid_t>(m_process.processId()), number); }

    // Waits for the end; the exit code, or -1 when it did not end by itself in time, or the
    // negated signal that ended it.
    int finish(std::chrono::milliseconds limit = 30s)
    {
        if (!waitUntil([this] { return m_process.state() == QProcess::NotRunning; }, limit))
            return -1;
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -m_process.exitCode();
    }

    QByteArray output() { return m_output += m_process.readAllStandardOutput(); }
    QString errors() { return QString::fromLocal8Bit(m_errors += m_process.readAllStandardError()); }

private:
    QProcess m_process;
    QByteArray m_output;
    QByteArray m_errors;
};

// What a run of elvaro-q3 left behind.
struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs elvaro-q3 with this command line (its words split at spaces) to its end.
inline Outcome runProgram(const std::string &commandLine, const Launch &launch = {})
{
    Command command(QString::fromStdString(commandLine).split(u' ', Qt::SkipEmptyParts), launch);
    const int status = command.finish();
    return {status, command.output().toStdString(), command.errors().toStdString()};
}

inline QByteArray fileContents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace elvaro::testing
