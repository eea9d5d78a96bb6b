#include "ShellTestSupport.h"
#include "common/Bytes.h"

#include "serial/PortTable.h"
#include "shell/MainForm.h"
#include "shell/RichTextBox.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>

using elvaro::shell::MainForm;
using elvaro::shell::MessageBoxes;
using elvaro::shell::RichTextBox;
using elvaro::shell::testing::WindowTest;

namespace {

// A line drawn in code page 437, a line feed that a file with carriage returns does not count, and
// a last line without a line end.
const std::string kSavedReport = elvaro::testing::bytes({218, 196, 191, 13, 10, 179, 'A', 179, 10, 'x'});
const QString kSavedReportShown = QStringLiteral("+-+\r\n|A|x");

class ReportFilesTest : public WindowTest {
protected:
    void SetUp() override
    {
        form.Form_Load();
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        QFile report(file(QStringLiteral("instrument.txt")));
        ASSERT_TRUE(report.open(QIODevice::WriteOnly));
        report.write(kSavedReport.data(), static_cast<qint64>(kSavedReport.size()));
    }

    RichTextBox &view() { return form.reportView(); }

    // Presses the platform's key for `key` in the report view; the file dialog it opens is answered
    // with `path` typed into its name field and Enter.
    void pressWithFileDialog(QKeySequence::StandardKey key, const QString &path)
    {
        // The keys are the window's: they work while it is the active window.
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        bool answered = false;
        // Runs in the dialog's own event loop, once it is up.
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            ASSERT_TRUE(name);
            name->setText(path);
            QTest::keyClick(name, Qt::Key_Return);
            answered = true;
        });
        const QKeyCombination combination = QKeySequence(key)[0];
        QTest::keyClick(&view(), combination.key(), combination.keyboardModifiers());
        EXPECT_TRUE(answered) << "no file dialog";
    }

    // Drops the files onto the widget as the desktop does, then lets the window open them.
    void drop(QWidget &target, const QStringList &paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls.append(QUrl::fromLocalFile(path));
        data.setUrls(urls);
        data.setText(paths.join(u'\n'));
        const QPoint where = target.rect().center();
        QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&target, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent dropped(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&target, &dropped);
        EXPECT_TRUE(dropped.isAccepted());
        QCoreApplication::processEvents();
    }

    bool reportCommandsEnabled() { return elvaro::shell::testing::button(form, "CmdEsporta")->isEnabled(); }

    elvaro::serial::PortTable ports = elvaro::serial::PortTable::build({}, {});
    MainForm form{ports, messages, printDialog};
};

// Ctrl+O appends a report file as convert reads it, on a line of its own; Ctrl+S writes the view's
// text as it stands in UTF-8; a file dropped onto the view or the window opens as Ctrl+O does.
TEST_F(ReportFilesTest, ReportsAreOpenedByKeyOrDropAndSavedAsUtf8Text)
{
    pressWithFileDialog(QKeySequence::Open, file(QStringLiteral("instrument.txt")));
    EXPECT_EQ(view().Text(), kSavedReportShown);
    EXPECT_TRUE(reportCommandsEnabled()) << "the report-commands rule follows the opening";

    view().moveCursor(QTextCursor::End);
    view().textCursor().insertText(QStringLiteral(" 21.5 °C"));
    pressWithFileDialog(QKeySequence::Save, file(QStringLiteral("saved.txt")));
    QFile saved(file(QStringLiteral("saved.txt")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("+-+\r\n|A|x 21.5 \xc2\xb0"
                                          "C"));

    drop(*view().viewport(), {file(QStringLiteral("instrument.txt"))});
    EXPECT_EQ(view().Text(), kSavedReportShown + QStringLiteral(" 21.5 °C\r\n") + kSavedReportShown);
    drop(form, {file(QStringLiteral("instrument.txt")), m_dir.path()});
    EXPECT_EQ(view().Text(), kSavedReportShown + QStringLiteral(" 21.5 °C\r\n") + kSavedReportShown
                                 + QStringLiteral("\r\n") + kSavedReportShown);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("The report %1 could not be opened: Is a directory.\n\n"
                                                     "Choose another file.")
                                          .arg(m_dir.path()));
    EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::Critical);
}

// The view's context menu offers Save only with text, Open always, and keeps the view's own commands.
TEST_F(ReportFilesTest, TheContextMenuOffersSaveOnlyWithTextAndOpenAlways)
{
    for (const QString &text : {QString(), QStringLiteral("REPORT")}) {
        view().setText(text);
        QStringList offered;
        QTimer::singleShot(0, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            ASSERT_TRUE(menu);
            for (const QAction *action : menu->actions())
                offered.append(action->isEnabled() ? action->text() : QString());
            QTest::keyClick(menu, Qt::Key_Escape);
        });
        const QPoint where = view().viewport()->rect().center();
        QContextMenuEvent request(QContextMenuEvent::Mouse, where, view().viewport()->mapToGlobal(where));
        QApplication::sendEvent(view().viewport(), &request);
        const QStringList expected = {QStringLiteral("Save report as…"), QStringLiteral("Open report…"),
                                      QStringLiteral("Select All\tCtrl+A")};
        for (const QString &command : expected)
            EXPECT_EQ(offered.contains(command), !text.isEmpty() || command.startsWith(u'O')) << command.toStdString();
    }
}

} // namespace
