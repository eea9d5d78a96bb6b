#include "ShellTestSupport.h"

#include "serial/PortTable.h"
#include "shell/Colorful.h"
#include "shell/DownloadCounter.h"
#include "shell/MainForm.h"
#include "shell/PrintDialog.h"
#include "shell/RichTextBox.h"
#include "shell/RingShape.h"
#include "shell/frmAbout.h"
#include "system/Version.h"

#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QPrintDialog>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextCursor>
#include <QTimer>

#include <cmath>
#include <functional>
#include <tuple>

using elvaro::serial::PortTable;
using elvaro::shell::frmAbout;
using elvaro::shell::MainForm;
using elvaro::shell::MessageBoxes;
using elvaro::shell::RingShape;
using elvaro::shell::testing::PdfPrintDialog;
using elvaro::shell::testing::pdfText;
using elvaro::shell::testing::WindowTest;

namespace {

using Commands = std::array<bool, 3>; // PRINT, EXPORT, DELETE enabled
constexpr Commands kEnabled = {true, true, true};
constexpr Commands kDisabled = {false, false, false};

class MainFormTest : public WindowTest {
protected:
    void SetUp() override
    {
        form.Form_Load();
        form.show();
    }

    void TearDown() override { delete form.aboutBox(); }

    QPushButton *button(const char *name) { return elvaro::shell::testing::button(form, name); }
    QRect at(const char *name) { return form.findChild<QWidget *>(QLatin1String(name))->geometry(); }

    Commands reportCommands()
    {
        return {button("CmdStampa")->isEnabled(), button("CmdEsporta")->isEnabled(), button("CmdDelete")->isEnabled()};
    }

    void setReport(const QString &text, int selStart = 0, int selLength = 0)
    {
        form.reportView().setText(text);
        QTextCursor cursor(form.reportView().document());
        cursor.setPosition(selStart);
        cursor.setPosition(selStart + selLength, QTextCursor::KeepAnchor);
        form.reportView().setTextCursor(cursor);
    }

    // The printed text, after a print of the report with the given selection.
    QString print(int selStart = 0, int selLength = 0)
    {
        form.reportView().setTextCursor([&] {
            QTextCursor cursor(form.reportView().document());
            cursor.setPosition(selStart);
            cursor.setPosition(selStart + selLength, QTextCursor::KeepAnchor);
            return cursor;
        }());
        QFile::remove(pdfPath());
        form.CmdStampa_Click();
        return pdfText(pdfPath());
    }

    PortTable ports = PortTable::build({{1, QStringLiteral("/dev/pts/1")}}, {});
    MainForm form{ports, messages, printDialog};
};

} // namespace

TEST_F(MainFormTest, AfterLoadTheViewIsEmptyTheReportCommandsOffAndTheLampBlinksOnlyWhenTimed)
{
    EXPECT_TRUE(form.reportView().Text().isEmpty());
    EXPECT_EQ(reportCommands(), kDisabled);
    for (const char *name : {"CmdAcquisisci", "CmdQuit", "CmdInfo"})
        EXPECT_TRUE(button(name)->isEnabled()) << name;
    EXPECT_EQ(button("CmdAcquisisci")->text(), "DOWNLOAD");
    EXPECT_FALSE(form.lampTimer().isActive());
    EXPECT_FALSE(form.InAcquisizione);
    EXPECT_FALSE(form.exportBuffer().isVisible());
    EXPECT_FALSE(form.lamp().isVisible());
    EXPECT_EQ(form.lampTimer().interval(), 500);
    form.Timer1_Timer();
    EXPECT_TRUE(form.lamp().isVisible());

    // The lit lamp is a red circle on white, inside the dark ring that frames it.
    const QImage image = form.grab().toImage();
    const QRect lamp = form.lamp().geometry();
    EXPECT_EQ(image.pixelColor(lamp.center()), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(lamp.topLeft()), QColor(Qt::white));
    auto *ring = form.findChild<RingShape *>(QStringLiteral("Shape1"));
    EXPECT_EQ(ring->geometry().center(), lamp.center());
    const qreal radius = ring->outline().width() / 2;
    const QPoint onRing = (QRectF(ring->geometry()).center() - QPointF(radius, radius) / std::sqrt(2.0)).toPoint();
    EXPECT_LT(image.pixelColor(onRing).lightness(), 128);
    form.Timer1_Timer();
    EXPECT_FALSE(form.lamp().isVisible());
}

// The designed size is the smallest; more room goes to the report view, the top row's commands
// keep their distance from the right edge, the bottom row its distance from the bottom, and the
// picture with its caption stays in the middle.
TEST_F(MainFormTest, TheWindowGrowsFromItsDesignedSizeAndTheReportViewTakesTheRoom)
{
    const QString longest = elvaro::shell::DownloadCounter::describe(999'999'999, 3'599'999);
    EXPECT_LE(form.byteCounter().fontMetrics().horizontalAdvance(longest), form.byteCounter().width());
    EXPECT_LT(at("CmdAcquisisci").right(), at("LblBytes").left());
    EXPECT_LT(at("LblBytes").right(), at("CmdStampa").left());
    const QSize designed = MainForm::designedSize();
    EXPECT_EQ(form.size(), designed);
    const char *names[] = {"Colorful1", "CmdAcquisisci", "CmdStampa", "CmdDelete", "CmdQuit", "Image1", "CmdInfo"};
    QList<QRect> before;
    for (const char *name : names)
        before.append(at(name));
    const QRect view = at("rtf1");
    const QSize grown(300, 200);
    form.resize(designed + grown);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.size() == designed + grown; }));
    EXPECT_EQ(at("rtf1"), view.adjusted(0, 0, grown.width(), grown.height()));
    const QPoint moved[] = {{0, 0}, {0, 0}, {300, 0}, {300, 0}, {0, 200}, {150, 200}, {300, 200}};
    for (int index = 0; index < int(std::size(names)); ++index)
        EXPECT_EQ(at(names[index]), before[index].translated(moved[index])) << names[index];
    form.resize(designed - QSize(100, 100));
    EXPECT_EQ(form.size(), designed);
}

TEST_F(MainFormTest, TheReportCommandsFollowTheTextButNotDuringADownload)
{
    form.reportView().setFocus();
    QTest::keyClicks(&form.reportView(), QStringLiteral("typed"));
    EXPECT_EQ(reportCommands(), kEnabled);
    form.reportView().selectAll();
    QTest::keyClick(&form.reportView(), Qt::Key_Backspace);
    EXPECT_EQ(reportCommands(), kDisabled);

    form.InAcquisizione = true;
    form.reportView().Append(QStringLiteral("received"));
    EXPECT_EQ(reportCommands(), kDisabled);
    form.InAcquisizione = false;
    form.applyReportCommandsRule();
    EXPECT_EQ(reportCommands(), kEnabled);
}

TEST_F(MainFormTest, QuitAsksAndClosesOnlyOnYesWhileTheTitleBarAsksNothing)
{
    messages.answers = {false, true};
    button("CmdQuit")->click();
    EXPECT_TRUE(form.isVisible());
    button("CmdQuit")->click();
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(messages.shown[0].text, "Are you sure to exit?");
    EXPECT_EQ(messages.shown[0].title, "Elvaro-Q3 V1b");
    EXPECT_TRUE(messages.shown[0].question);

    messages.shown.clear();
    form.show();
    form.reportView().setText(QStringLiteral("REPORT"));
    form.close();
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_FALSE(form.isVisible());
}

TEST_F(MainFormTest, DeleteRemovesTheSelectionOrEverythingAfterAskingThenAppliesTheRule)
{
    const char *selected = "Are you sure to delete selected data ?";
    const char *all = "Are you sure to delete all the data ?";
    // Text, selection start and length (a line end counts one), answer, question, text after.
    const std::tuple<QString, int, int, bool, const char *, QString> cases[] = {
        {"ABCDEFG", 2, 3, true, selected, "ABFG"},
        {"ABCDEFG", 4, 3, true, selected, "ABCD"},
        {"ABCDEFG", 0, 7, true, selected, ""},
        {"AB\r\nCD", 1, 3, true, selected, "AD"},
        {"ABCDEFG", 3, 0, true, all, ""},
        {"ABCDEFG", 0, 0, false, all, "ABCDEFG"},
        {"ABCDEFG", 2, 3, false, selected, "ABCDEFG"},
    };
    for (const auto &[text, selStart, selLength, answer, question, after] : cases) {
        setReport(text, selStart, selLength);
        // The rule runs whatever the answer, even where the buttons were left wrong.
        button("CmdStampa")->setEnabled(after.isEmpty());
        button("CmdDelete")->setEnabled(true);
        messages.shown.clear();
        messages.answers = {answer};
        button("CmdDelete")->click();
        ASSERT_EQ(messages.shown.size(), 1) << question;
        EXPECT_EQ(messages.shown[0].text, question);
        EXPECT_EQ(form.reportView().Text(), after);
        EXPECT_EQ(reportCommands(), after.isEmpty() ? kDisabled : kEnabled) << after.toStdString();
    }
}

// PRINT offers the selection choice only with a selection, never a choice of pages, and prints
// what is chosen: the selection, or the whole text.
TEST_F(MainFormTest, PrintSendsTheSelectionOrTheWholeViewToThePrinter)
{
    setReport(QStringLiteral("+-----------+\r\n| FIRSTLINE |\r\n| SECONDLINE|\r\n+-----------+"));
    const std::tuple<int, std::optional<QPrinter::PrintRange>, QStringList, QStringList> cases[] = {
        {0, std::nullopt, {"+-----------+", "| FIRSTLINE |", "| SECONDLINE|"}, {}},
        {11, std::nullopt, {"SECONDLINE"}, {"FIRSTLINE", "+---"}},
        {11, QPrinter::AllPages, {"FIRSTLINE", "SECONDLINE"}, {}},
    };
    for (const auto &[selLength, chosen, printed, notPrinted] : cases) {
        printDialog.chooseRange = chosen;
        const QString page = print(30, selLength);
        for (const QString &text : printed)
            EXPECT_TRUE(page.contains(text)) << text.toStdString() << " in " << page.toStdString();
        for (const QString &text : notPrinted)
            EXPECT_FALSE(page.contains(text)) << text.toStdString();
        EXPECT_TRUE(messages.shown.isEmpty());
        EXPECT_EQ(printDialog.rangeWhenShown, selLength ? QPrinter::Selection : QPrinter::AllPages);

        QPrinter printer;
        printer.setPrintRange(printDialog.rangeWhenShown);
        const auto dialog = elvaro::shell::PrintDialog::makeDialog(printer, printDialog.flagsWhenShown);
        dialog->show();
        for (QRadioButton *choice : dialog->findChildren<QRadioButton *>()) {
            if (choice->text().contains(QLatin1String("Pages")))
                EXPECT_FALSE(choice->isEnabled()) << choice->text().toStdString();
            if (choice->text() == QLatin1String("Selection")) {
                EXPECT_EQ(choice->isHidden(), selLength == 0);
                EXPECT_EQ(choice->isChecked(), selLength != 0);
            }
        }
    }
}

namespace {

// Where the first word of a PDF stands on its page, in points from the top left.
QPointF firstWordPosition(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    process.waitForFinished(30000);
    const QRegularExpressionMatch word =
        QRegularExpression(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\""))
            .match(QString::fromUtf8(process.readAllStandardOutput()));
    return word.hasMatch() ? QPointF(word.captured(1).toDouble(), word.captured(2).toDouble()) : QPointF(-1, -1);
}

} // namespace

// Tables line up over several pages with margins of 15 mm at least; the file printed to is
// offered again; more than 100 pages are printed only after asking, No prints nothing.
TEST_F(MainFormTest, PrintLinesUpTablesKeepsMarginsAndAsksBeforeMoreThanAHundredPages)
{
    QString text;
    for (int line = 0; line < 150; ++line)
        text +=
            QStringLiteral("| LINE%1 | %2 |\r\n").arg(line, 3, 10, QLatin1Char('0')).arg(QString(line % 7, u'W'), 6);
    setReport(text);
    const QString printed = print();
    EXPECT_EQ(printDialog.fileWhenShown, QString());
    EXPECT_TRUE(printed.contains(QLatin1String("LINE149")));
    EXPECT_GE(printed.count(u'\f'), 2) << "expected more than one page";
    const QStringList lines = printed.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0].trimmed().lastIndexOf(u'|'), lines[1].trimmed().lastIndexOf(u'|'));
    const QPointF corner = firstWordPosition(pdfPath());
    EXPECT_GE(corner.x(), 15 / 25.4 * 72);
    EXPECT_GE(corner.y(), 15 / 25.4 * 72);

    setReport(QStringLiteral("x\r\n").repeated(10000));
    messages.answers = {false, true};
    print();
    EXPECT_FALSE(QFile::exists(pdfPath()));
    EXPECT_EQ(printDialog.fileWhenShown, pdfPath()) << "the file printed to last is offered";
    ASSERT_EQ(messages.shown.size(), 1);
    const QRegularExpressionMatch asked =
        QRegularExpression(QStringLiteral("^This print takes (\\d+) pages\\. Print all of them\\?$"))
            .match(messages.shown[0].text);
    ASSERT_TRUE(asked.hasMatch()) << messages.shown[0].text.toStdString();
    EXPECT_GT(asked.captured(1).toInt(), 100);
    EXPECT_EQ(print().count(u'\f'), asked.captured(1).toInt());
    EXPECT_EQ(messages.shown.size(), 2) << "asked again, and nothing else said";
}

TEST_F(MainFormTest, CancelOrAFailingPrinterShowsErrorsDuringPrintAndPrintsNothing)
{
    for (const QString &outputFile : {pdfPath(), file(QStringLiteral("no/such/folder/print.pdf"))}) {
        PdfPrintDialog dialog(outputFile);
        dialog.cancel = outputFile == pdfPath();
        MainForm other(ports, messages, dialog);
        other.Form_Load();
        other.reportView().setText(QStringLiteral("REPORT"));
        messages.shown.clear();
        other.CmdStampa_Click();
        ASSERT_EQ(messages.shown.size(), 1) << outputFile.toStdString();
        EXPECT_EQ(messages.shown[0].text, "Errors during print");
        EXPECT_EQ(messages.shown[0].title, "Elvaro-Q3 V1b");
        EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::None);
        EXPECT_FALSE(messages.shown[0].question);
        EXPECT_FALSE(QFile::exists(outputFile));
    }
}

TEST_F(MainFormTest, ThePrintKeyPressesPrint)
{
    form.reportView().setText(QStringLiteral("REPORT"));
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    const QKeySequence print(QKeySequence::Print);
    QTest::keyClick(&form.reportView(), print[0].key(), print[0].keyboardModifiers());
    EXPECT_TRUE(QTest::qWaitFor([this] { return printDialog.shownCount == 1; }));
}

TEST_F(MainFormTest, TheAboutBoxOpensOnceWithoutBlockingItsTextsFitAndOkEnterOrEscCloseIt)
{
    form.InAcquisizione = true; // "?" works during a download too
    button("CmdInfo")->click();
    frmAbout *about = form.aboutBox();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(about->windowTitle(), "Elvaro-Q3 V1b");
    for (QLabel *each : about->findChildren<QLabel *>()) {
        const QRect needed =
            each->fontMetrics().boundingRect(each->rect(), Qt::TextWordWrap | Qt::AlignHCenter, each->text());
        EXPECT_LE(needed.height(), each->height()) << each->objectName().toStdString();
    }
    button("CmdInfo")->click();
    EXPECT_EQ(form.aboutBox(), about);
    EXPECT_TRUE(form.findChildren<frmAbout *>().isEmpty()) << "the box must not belong to the main window";

    const std::function<void(frmAbout &)> presses[] = {
        [](frmAbout &box) { box.findChild<QPushButton *>(QStringLiteral("cmdOK"))->click(); },
        [](frmAbout &box) { QTest::keyClick(&box, Qt::Key_Return); },
        [](frmAbout &box) { QTest::keyClick(&box, Qt::Key_Escape); },
    };
    for (const auto &press : presses) {
        form.CmdInfo_Click();
        QPointer<frmAbout> shown = form.aboutBox();
        press(*shown);
        // Closing unloads the box rather than only hiding it.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(shown.isNull());
    }
}
