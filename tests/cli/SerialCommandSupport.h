#pragma once

#include "serial/SerialTestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <functional>

#include <signal.h>

namespace elvaro::serial::testing {

// Like runUntil, for conditions that no event announces (a file growing, a device being opened by
// another process): they are looked at every few milliseconds.
inline bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds limit = 10s)
{
    ensureApplication();
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [] {});
    look.start(5ms);
    return runUntil(done, limit);
}

// elvaro-q3 running a command in the background.
class Command {
public:
    // `errorsTo`, when given, is the file standard error goes to (a terminal, say) instead of a pipe.
    explicit Command(const QStringList &args, const QString &errorsTo = {})
    {
        ensureApplication();
        if (!errorsTo.isEmpty())
            m_process.setStandardErrorFile(errorsTo);
        m_process.start(QStringLiteral(ELVARO_EXECUTABLE), args);
        m_process.waitForStarted();
    }

    ~Command()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    // The first line the command prints on standard output, without its line end.
    QString firstLine()
    {
        waitUntil([this] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; });
        return QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }

    void signal(int number) { ::kill(static_cast<pid_t>(m_process.processId()), number); }

    // Waits for the end; the exit code, or -1 when it did not end by itself in time.
    int finish(std::chrono::milliseconds limit = 10s)
    {
        if (!waitUntil([this] { return m_process.state() == QProcess::NotRunning; }, limit))
            return -1;
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    QByteArray output() { return m_output += m_process.readAllStandardOutput(); }
    QString errors() { return QString::fromLocal8Bit(m_errors += m_process.readAllStandardError()); }

private:
    QProcess m_process;
    QByteArray m_output;
    QByteArray m_errors;
};

inline QByteArray fileContents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace elvaro::serial::testing
