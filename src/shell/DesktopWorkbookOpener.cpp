#include "shell/DesktopWorkbookOpener.h"

#include "shell/LauncherWatch.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace elvaro::shell {

namespace {

const QString kXlsxMimeType = QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet");
constexpr int kQueryTimeoutMs = 5000;

// False only when the desktop's own tool says that no application is set for .xlsx files: the
// launcher would then start, find nothing and show nothing. Without that tool the launcher decides.
bool desktopHasXlsxApplication()
{
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return true;
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), kXlsxMimeType});
    if (!query.waitForFinished(kQueryTimeoutMs)) {
        query.kill();
        query.waitForFinished();
        return true;
    }
    return query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0
           || !query.readAllStandardOutput().trimmed().isEmpty();
}

// LibreOffice hands the file to an instance already running and ends, or becomes that instance
// and runs on, or ends at once in failure (no display, an installation that cannot show windows).
// It runs in the background of a shell that ends with its status: the watch sees LibreOffice's
// end through the shell, and stopping the shell when the program ends leaves LibreOffice, which
// shows the user's workbook, running.
const QString kOfficeRunner = QStringLiteral("\"$1\" -n \"$2\" & wait $!");

} // namespace

bool DesktopWorkbookOpener::open(const QString &path, LateFailure lateFailure)
{
    const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (!office.isEmpty()) {
        auto *watch = new LauncherWatch(m_verdictWindow, lateFailure, &m_launches);
        if (watch->start(QStringLiteral("/bin/sh"),
                         {QStringLiteral("-c"), kOfficeRunner, QStringLiteral("sh"), office, path},
                         QStringLiteral("soffice")))
            return true;
        delete watch;
    }
    if (!desktopHasXlsxApplication())
        return false;
    const QString launcher = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (launcher.isEmpty())
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    // Watched, not waited for: xdg-open may run as long as the application it starts.
    auto *watch = new LauncherWatch(m_verdictWindow, std::move(lateFailure), &m_launches);
    if (watch->start(launcher, {path}))
        return true;
    delete watch;
    return false;
}

QString DesktopWorkbookOpener::askSaveFileName(const QString &suggestedName)
{
    // The user's documents folder, or the home folder where there is none.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QDir(folder).exists())
        folder = QDir::homePath();
    const QString start = QDir::isAbsolutePath(suggestedName) ? suggestedName : QDir(folder).filePath(suggestedName);
    QFileDialog dialog(m_dialogParent, QStringLiteral("Save the workbook"), start,
                       QStringLiteral("Excel workbook (*.xlsx)"));
    dialog.setObjectName(QStringLiteral("SaveWorkbookDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace elvaro::shell
