#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QAction;
class QWidget;

// "Save report as…" and "Open report…" of the report view. Saving writes the view's text as it
// stands into a UTF-8 text file; opening reads a report file as `convert` does (its limits, the
// instrument's filter, its line ends) and appends it to the view on a line of its own, as a
// download would. Failures are told in a message box that names the file and the reason.
namespace elvaro::shell {

class MessageBoxes;
class RichTextBox;

class ReportFiles : public QObject {
    Q_OBJECT

public:
    // `dialogParent` carries the file dialogs; the actions belong to this object.
    ReportFiles(RichTextBox &view, MessageBoxes &messages, QWidget &dialogParent);

    QAction &saveAction() const { return *m_save; }
    QAction &openAction() const { return *m_open; }

    // Asks for a file name, again after a failed write, until the text is saved or the user cancels.
    void saveAs();
    // Asks for report files and opens them.
    void openChosen();
    // Opens the report files in the order given; reportOpened() follows when one or more were read.
    void openFiles(const QStringList &paths);

signals:
    void reportOpened();

private:
    // Appends the report file at `path`, or tells why it cannot.
    bool open(const QString &path);
    QString startFolder() const;

    RichTextBox &m_view;
    MessageBoxes &m_messages;
    QWidget &m_dialogParent;
    QAction *m_save = nullptr;
    QAction *m_open = nullptr;
    // The file saved or opened last; the dialogs start there.
    QString m_lastFile;
};

} // namespace elvaro::shell
