#pragma once

// What the desktop tests share: the application object, scripted message boxes, a print dialog
// that prints to a PDF file, a workbook opener that receives the exported files, and the main
// window built from them.

#include "common/Bytes.h"
#include "export/Worksheet.h"
#include "serial/PortTable.h"
#include "serial/PseudoTerminal.h"
#include "shell/Colorful.h"
#include "shell/CommonDialog.h"
#include "shell/DesktopWorkbookOpener.h"
#include "shell/DownloadCounter.h"
#include "shell/Fonts.h"
#include "shell/MainForm.h"
#include "shell/MessageBoxes.h"
#include "shell/Module1.h"
#include "shell/PortListDelegate.h"
#include "shell/PrintDialog.h"
#include "shell/ReportFiles.h"
#include "shell/RichTextBox.h"
#include "shell/RingShape.h"
#include "shell/SettingPage.h"
#include "shell/TemporaryWorkbooks.h"
#include "shell/WorkbookOpener.h"
#include "shell/frmAbout.h"
#include "workbook/WorkbookTestSupport.h"

#include <QtPrintSupport>
#include <QtTest>
#include <QtWidgets>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <csignal>
#include <deque>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// Readable QString values in failure messages.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toUtf8().replace("\r", "\\r").replace("\n", "\\n").toStdString() << '"';
}

namespace elvaro::shell::testing {

// The program's title as the user sees it.
inline const QString kShownTitle = QStringLiteral("Elvaro-Q3 V1b");

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
    };
    std::deque<bool> answers; // Yes = true; a question with no scripted answer fails the test
    QList<Shown> shown;
    std::function<void()> whenShown; // called while the box would be on the screen

    bool askYesNo(const QString &text, const QString &title) override
    {
        record({text, title, Icon::None});
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text.toStdString();
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void tell(const QString &text, const QString &title, Icon icon) override { record({text, title, icon}); }

    // The texts of the boxes shown since the last call; with a title, each box must have it and the icon.
    QStringList take(const std::optional<QString> &title = std::nullopt, Icon icon = Icon::None)
    {
        QStringList texts;
        for (const Shown &box : shown) {
            texts.append(box.text);
            if (title) {
                EXPECT_EQ(box.title, *title) << box.text.toStdString();
                EXPECT_EQ(box.icon, icon) << box.text.toStdString();
            }
        }
        shown.clear();
        return texts;
    }

private:
    void record(const Shown &box)
    {
        shown.append(box);
        if (whenShown)
            whenShown();
    }
};

// Receives the files handed to the spreadsheet application, keeps what it would call when the
// application failed later, and answers the Save dialog from a script (an empty name is Cancel).
class HookOpener final : public WorkbookOpener {
public:
    bool canOpen = true;
    QStringList opened, saveAnswers, suggestions;
    QList<LateFailure> lateFailures;

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

// Stands in for the person at the print dialog: accepts (printing to a PDF file) or cancels, and
// may change the printed range; records what the dialog was shown with.
class PdfPrintDialog final : public CommonDialog {
public:
    explicit PdfPrintDialog(QString pdf) : pdfPath(std::move(pdf)) {}

    QString pdfPath;
    bool cancel = false;
    std::optional<QPrinter::PrintRange> chooseRange;
    int flagsWhenShown = 0;
    QPrinter::PrintRange rangeWhenShown = QPrinter::AllPages;
    QString fileWhenShown;

    bool ShowPrinter(QPrinter &printer) override
    {
        flagsWhenShown = Flags;
        rangeWhenShown = printer.printRange();
        fileWhenShown = printer.outputFileName();
        if (cancel)
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        if (chooseRange)
            printer.setPrintRange(*chooseRange);
        return true;
    }
};

// A PDF file as pdftotext reads it back, by default keeping the layout of the lines.
inline QString pdfText(const QString &path, const QString &how = QStringLiteral("-layout"))
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {how, path, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("<pdftotext failed: %1>").arg(QString::fromLocal8Bit(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline QPushButton *button(QWidget &window, const char *name)
{
    return window.findChild<QPushButton *>(QLatin1String(name));
}

// Places the cursor of a view from `from` to `to`, positions as the view counts (one a line end).
inline void select(RichTextBox &view, int from, int to)
{
    QTextCursor cursor(view.document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    view.setTextCursor(cursor);
}

// The application, a folder of the test's own, scripted message boxes and a print dialog that
// prints to print.pdf in that folder.
class WindowTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_TRUE(messages.answers.empty()) << "an answer was scripted for no question"; }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QString pdfPath() const { return file(QStringLiteral("print.pdf")); }

    QApplication &m_application = application();
    QTemporaryDir m_dir;
    ScriptedMessageBoxes messages;
    PdfPrintDialog printDialog{pdfPath()};
};

// The main window, loaded and shown, exporting to the workbooks folder through a HookOpener.
class FormTest : public WindowTest {
protected:
    FormTest()
    {
        form.setWorkbookOpener(opener, file(QStringLiteral("workbooks")));
        form.Form_Load();
        form.show();
    }
    ~FormTest() override { delete form.aboutBox(); }

    QPushButton *button(const char *name) { return testing::button(form, name); }
    RichTextBox &view() { return form.reportView(); }
    // Presses the platform's key for `key` in the report view of the active window (the keys are
    // the window's); a file dialog that the key opens is answered with `answer`.
    void press(QKeySequence::StandardKey key, const QString &answer = QString())
    {
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        // Once the file dialog is up in its own event loop, types the answer into its name field
        // and presses Enter.
        QString title;
        if (!answer.isNull()) {
            QTimer::singleShot(0, [answer, &title] {
                auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                ASSERT_TRUE(dialog);
                title = dialog->windowTitle();
                auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                ASSERT_TRUE(name);
                name->setText(answer);
                QTest::keyClick(name, Qt::Key_Return);
            });
        }
        const QKeyCombination combination = QKeySequence(key)[0];
        QTest::keyClick(&view(), combination.key(), combination.keyboardModifiers());
        EXPECT_EQ(title.isEmpty(), answer.isNull()) << "a file dialog was expected only with an answer";
    }
    void setReport(const QString &text, int from = 0, int to = 0)
    {
        view().setText(text);
        select(view(), from, to);
    }
    std::array<bool, 3> reportCommands() // PRINT, EXPORT, DELETE enabled
    {
        return {button("CmdStampa")->isEnabled(), button("CmdEsporta")->isEnabled(), button("CmdDelete")->isEnabled()};
    }

    serial::PortTable ports = serial::PortTable::build({{1, QStringLiteral("/dev/pts/1")}}, {});
    HookOpener opener;
    MainForm form{ports, messages, printDialog};
};

} // namespace elvaro::shell::testing

using namespace elvaro::shell;
using namespace elvaro::shell::testing;
