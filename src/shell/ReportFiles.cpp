#include "shell/ReportFiles.h"

#include "report/ReportFile.h"
#include "shell/MessageBoxes.h"
#include "shell/RichTextBox.h"
#include "system/Error.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QSaveFile>

#include <string>

namespace elvaro::shell {

namespace {

const QString kFileTypes = QStringLiteral("Text files (*.txt);;All files (*)");

// The reason as the end of a sentence of the message.
QString reasonSentence(QString reason)
{
    while (reason.endsWith(u'.'))
        reason.chop(1);
    return reason + u'.';
}

// Writes the file whole or not at all; the reason when it cannot.
QString writeText(const QString &path, const QString &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return QString();
}

} // namespace

ReportFiles::ReportFiles(RichTextBox &view, MessageBoxes &messages, QWidget &dialogParent)
    : QObject(&dialogParent),
      m_view(view),
      m_messages(messages),
      m_dialogParent(dialogParent),
      m_save(new QAction(QStringLiteral("Save report as…"), this)),
      m_open(new QAction(QStringLiteral("Open report…"), this))
{
    m_save->setObjectName(QStringLiteral("saveReportAs"));
    m_save->setShortcut(QKeySequence::Save);
    m_open->setObjectName(QStringLiteral("openReport"));
    m_open->setShortcut(QKeySequence::Open);
}

QString ReportFiles::startFolder() const
{
    return m_lastFile.isEmpty() ? QDir::homePath() : QFileInfo(m_lastFile).absolutePath();
}

void ReportFiles::saveAs()
{
    QString suggestion = m_lastFile.isEmpty() ? QDir(startFolder()).filePath(QStringLiteral("report.txt")) : m_lastFile;
    for (;;) {
        const QString path =
            QFileDialog::getSaveFileName(&m_dialogParent, QStringLiteral("Save report as"), suggestion, kFileTypes);
        if (path.isEmpty())
            return;
        const QString failure = writeText(path, m_view.Text());
        if (failure.isEmpty()) {
            m_lastFile = path;
            return;
        }
        m_messages.tell(QStringLiteral("The report could not be saved as %1: %2\n\nChoose another folder or name.")
                            .arg(path, reasonSentence(failure)),
                        kAppTitle, MessageBoxes::Icon::Critical);
        suggestion = path;
    }
}

void ReportFiles::openChosen()
{
    openFiles(QFileDialog::getOpenFileNames(&m_dialogParent, QStringLiteral("Open report"), startFolder(), kFileTypes));
}

void ReportFiles::openFiles(const QStringList &paths)
{
    bool opened = false;
    for (const QString &path : paths)
        opened = open(path) || opened;
    if (opened)
        emit reportOpened();
}

bool ReportFiles::open(const QString &path)
{
    std::string text;
    try {
        text = report::readReportFile(QFile::encodeName(path).toStdString());
    } catch (const Error &problem) {
        m_messages.tell(QStringLiteral("The report %1 could not be opened: %2\n\nChoose another file.")
                            .arg(path, reasonSentence(QString::fromStdString(problem.what()))),
                        kAppTitle, MessageBoxes::Icon::Critical);
        return false;
    }
    m_lastFile = path;
    if (text.empty()) {
        m_messages.tell(QStringLiteral("The file %1 is empty: it holds no report.").arg(path), kAppTitle,
                        MessageBoxes::Icon::Warning);
        return false;
    }
    // A carriage return ends a line of a report file and a line feed ends none, as EXPORT reads it.
    QString report = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    report.remove(u'\n');
    m_view.startNewLine();
    m_view.Append(report);
    return true;
}

} // namespace elvaro::shell
