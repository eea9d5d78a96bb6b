#include "shell/LauncherWatch.h"

#include <QFileInfo>

#include <utility>

namespace elvaro::shell {

namespace {

// Starting a program is reported by the system at once; this bounds a stuck start.
constexpr int kStartTimeoutMs = 5000;
// Enough of the opener's last line to say why; its whole output could be long.
constexpr qsizetype kLongestReason = 400;

} // namespace

LauncherWatch::LauncherWatch(std::chrono::milliseconds verdictWindow, WorkbookOpener::LateFailure failure,
                             QObject *parent)
    : QObject(parent), m_failure(std::move(failure))
{
    m_verdictWindow.setSingleShot(true);
    m_verdictWindow.setInterval(verdictWindow);
    connect(&m_process, &QProcess::finished, this, &LauncherWatch::processFinished);
    connect(&m_verdictWindow, &QTimer::timeout, this, &LauncherWatch::verdictWindowClosed);
}

LauncherWatch::~LauncherWatch()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.disconnect(this);
    m_process.kill();
    m_process.waitForFinished();
}

bool LauncherWatch::start(const QString &program, const QStringList &arguments, const QString &shownName)
{
    m_shownName = shownName.isEmpty() ? QFileInfo(program).fileName() : shownName;
    if (!m_errorOutput.open())
        return false;
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(m_errorOutput.fileName());
    m_process.start(program, arguments);
    if (!m_process.waitForStarted(kStartTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished();
        return false;
    }
    m_verdictWindow.start();
    return true;
}

QString LauncherWatch::lastErrorLine()
{
    m_errorOutput.seek(0);
    const QList<QByteArray> lines = m_errorOutput.readAll().split('\n');
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const QString text = QString::fromLocal8Bit(line->trimmed());
        if (!text.isEmpty())
            return text.size() > kLongestReason ? text.left(kLongestReason) + QStringLiteral("...") : text;
    }
    return QString();
}

void LauncherWatch::verdictWindowClosed()
{
    m_failure = nullptr;
}

void LauncherWatch::processFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    deleteLater();
    const WorkbookOpener::LateFailure failure = std::exchange(m_failure, nullptr);
    if (!failure || (exitStatus == QProcess::NormalExit && exitCode == 0))
        return;
    const QString &program = m_shownName;
    QString reason = exitStatus == QProcess::NormalExit
                         ? QStringLiteral("%1 ended with exit status %2").arg(program).arg(exitCode)
                         : QStringLiteral("%1 stopped unexpectedly").arg(program);
    const QString said = lastErrorLine();
    if (!said.isEmpty())
        reason += QStringLiteral(": ") + said;
    failure(reason);
}

} // namespace elvaro::shell
