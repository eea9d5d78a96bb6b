#pragma once

// What the desktop tests share: the application object, scripted message boxes, a print dialog
// that sends the output to a PDF file, a workbook opener that receives the exported files, and
// the fixtures built from them.

#include "shell/CommonDialog.h"
#include "shell/MessageBoxes.h"
#include "shell/WorkbookOpener.h"

#include <QApplication>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>

// Readable QString values in failure messages.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toUtf8().replace("\r", "\\r").replace("\n", "\\n").toStdString() << '"';
}

namespace elvaro::shell::testing {

inline QApplication &application()
{
    static int argc = 1;
    static char name[] = "shell_tests";
    static char *argv[] = {name, nullptr};
    // Kept until the process ends: destroying it among the other static objects at exit
    // would outlive the input devices it refers to.
    static QApplication *const app = new QApplication(argc, argv);
    return *app;
}

// Answers the questions from a script and records every box shown.
class ScriptedMessageBoxes final : public MessageBoxes {
public:
    struct Shown {
        QString text;
        QString title;
        Icon icon = Icon::None;
        bool question = false;
    };

    std::deque<bool> answers; // Yes = true; a question with no scripted answer fails the test
    QList<Shown> shown;
    // Called as each box appears, while it would be on the screen.
    std::function<void(const Shown &)> whenShown;

    bool askYesNo(const QString &text, const QString &title) override
    {
        shown.append({text, title, Icon::None, true});
        if (whenShown)
            whenShown(shown.constLast());
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text.toStdString();
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    void tell(const QString &text, const QString &title, Icon icon) override
    {
        shown.append({text, title, icon, false});
        if (whenShown)
            whenShown(shown.constLast());
    }
};

// Receives the files handed to the spreadsheet application, keeps what it would call when the
// application failed later, and answers the Save dialog from a script (an empty name is Cancel).
class HookOpener final : public WorkbookOpener {
public:
    bool canOpen = true;
    QStringList opened;
    QList<LateFailure> lateFailures;
    QStringList saveAnswers;
    QStringList suggestions;

    bool open(const QString &path, LateFailure lateFailure) override
    {
        opened.append(path);
        lateFailures.append(std::move(lateFailure));
        return canOpen;
    }
    QString askSaveFileName(const QString &suggestedName) override
    {
        suggestions.append(suggestedName);
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
};

// Stands in for the person at the print dialog: accepts (printing to a PDF file) or cancels.
class PdfPrintDialog final : public CommonDialog {
public:
    explicit PdfPrintDialog(QString pdfPath) : m_pdfPath(std::move(pdfPath)) {}

    bool cancel = false;
    // When set, the person changes the printed range in the dialog to this one.
    std::optional<QPrinter::PrintRange> chooseRange;

    int shownCount = 0;
    int flagsWhenShown = 0;
    QPrinter::PrintRange rangeWhenShown = QPrinter::AllPages;
    QString fileWhenShown; // the printer's output file as the dialog finds it

    bool ShowPrinter(QPrinter &printer) override
    {
        ++shownCount;
        flagsWhenShown = Flags;
        rangeWhenShown = printer.printRange();
        fileWhenShown = printer.outputFileName();
        if (cancel)
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_pdfPath);
        if (chooseRange)
            printer.setPrintRange(*chooseRange);
        return true;
    }

private:
    QString m_pdfPath;
};

// The text of a PDF file as pdftotext reads it back, keeping the layout of the lines.
inline QString pdfText(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("<pdftotext failed: %1>").arg(QString::fromLocal8Bit(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput());
}

// A command button of a window, found by its name.
inline QPushButton *button(QWidget &window, const char *name)
{
    return window.findChild<QPushButton *>(QLatin1String(name));
}

// A test of widgets: the application object is there.
class WidgetTest : public ::testing::Test {
protected:
    QApplication &m_application = application();
};

// A test of the windows: besides the application, a folder of the test's own, message boxes
// answered from a script and a print dialog that prints to print.pdf in that folder.
class WindowTest : public WidgetTest {
protected:
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QString pdfPath() const { return file(QStringLiteral("print.pdf")); }

    QTemporaryDir m_dir;
    ScriptedMessageBoxes messages;
    PdfPrintDialog printDialog{pdfPath()};
};

} // namespace elvaro::shell::testing
