#pragma once

#include "shell/WorkbookOpener.h"

#include <QObject>
#include <QProcess>
#include <QTemporaryFile>
#include <QTimer>

#include <chrono>

// One run of an opener (xdg-open, or LibreOffice through a small runner) for one file, watched without waiting for it. When
// the opener ends in failure within the verdict window after its start, the failure is reported
// once, from the event loop, with the opener's own words. On desktops without an opener of their
// own, xdg-open stays running as long as the application it started; its end after the verdict
// window says nothing about the file any more, since the application has shown it by then.
// The watch deletes itself once the opener has ended.
namespace elvaro::shell {

class LauncherWatch : public QObject {
    Q_OBJECT

public:
    LauncherWatch(std::chrono::milliseconds verdictWindow, WorkbookOpener::LateFailure failure, QObject *parent);
    // Stops an opener that still runs, without a report; the application it started keeps running.
    ~LauncherWatch() override;
    LauncherWatch(const LauncherWatch &) = delete;
    LauncherWatch &operator=(const LauncherWatch &) = delete;

    // Starts the opener. False when it cannot be started. A failure names the opener by
    // `shownName`, by the program's file name when none is given.
    bool start(const QString &program, const QStringList &arguments, const QString &shownName = {});

private:
    void processFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void verdictWindowClosed();
    QString lastErrorLine();

    QProcess m_process;
    // The opener's error output. A file rather than a pipe: the application that the opener
    // starts inherits it, and must not be stopped by a pipe that closes when this program ends.
    QTemporaryFile m_errorOutput;
    QTimer m_verdictWindow;
    WorkbookOpener::LateFailure m_failure;
    QString m_shownName;
};

} // namespace elvaro::shell
