#include "ShellTestSupport.h"

#include "serial/PortTable.h"
#include "shell/Colorful.h"
#include "shell/DownloadCounter.h"
#include "shell/MainForm.h"
#include "shell/PrintDialog.h"
#include "shell/RichTextBox.h"
#include "shell/RingShape.h"
#include "shell/SettingPage.h"
#include "shell/frmAbout.h"
#include "system/Version.h"

#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QPrintDialog>
#include <QProcess>
#include <QPushButton>
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
        ASSERT_TRUE(m_dir.isValid());
        form.Form_Load();
        form.show();
    }

    void TearDown() override { delete form.aboutBox(); }

    QPushButton *button(const char *name) { return elvaro::shell::testing::button(form, name); }

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

    PortTable ports = PortTable::build({{1, QStringLiteral("/dev/pts/1")}}, {});
    MainForm form{ports, messages, printDialog};
};

} // namespace

TEST_F(MainFormTest, AfterLoadTheViewIsEmptyTheReportCommandsOffAndTheLampHidden)
{
    EXPECT_TRUE(form.reportView().Text().isEmpty());
    EXPECT_EQ(reportCommands(), kDisabled);
    for (const char *name : {"CmdAcquisisci", "CmdQuit", "CmdInfo"})
        EXPECT_TRUE(button(name)->isEnabled()) << name;
    EXPECT_EQ(button("CmdAcquisisci")->text(), "DOWNLOAD");
    EXPECT_FALSE(form.lamp().isVisible());
    EXPECT_FALSE(form.lampTimer().isActive());
    EXPECT_FALSE(form.InAcquisizione);
    EXPECT_FALSE(form.exportBuffer().isVisible());
}

TEST_F(MainFormTest, CaptionsFitAndTheRingFramesTheLamp)
{
    for (QPushButton *command : form.findChildren<QPushButton *>())
        EXPECT_LE(command->fontMetrics().horizontalAdvance(command->text()) + 8, command->width())
            << command->objectName().toStdString();
    auto *label = form.findChild<QLabel *>(QStringLiteral("Label1"));
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
    EXPECT_FALSE(label->geometry().intersects(button("CmdInfo")->geometry()));

    auto *ring = form.findChild<RingShape *>(QStringLiteral("Shape1"));
    const QRect lamp = form.lamp().geometry();
    EXPECT_EQ(lamp.width(), lamp.height());
    EXPECT_EQ(ring->geometry().center(), lamp.center());
    // The ring's inner edge lies on the lamp's edge, and the ring lies above the lamp.
    EXPECT_DOUBLE_EQ(ring->outline().width() - ring->borderWidth(), lamp.width());
    EXPECT_GT(form.children().indexOf(ring), form.children().indexOf(&form.lamp()));
}

TEST_F(MainFormTest, TheLitLampIsARedCircleOnWhiteInsideTheRing)
{
    form.lamp().setVisible(true);
    const QImage image = form.grab().toImage();
    const QRect lamp = form.lamp().geometry();
    EXPECT_EQ(image.pixelColor(lamp.center()), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(lamp.topLeft()), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(lamp.bottomRight()), QColor(Qt::white));
    // Halfway across the ring's band, on the diagonal where the lamp's white corner lies beneath it.
    auto *ring = form.findChild<RingShape *>(QStringLiteral("Shape1"));
    const QPointF centre = QRectF(ring->geometry()).center();
    const qreal radius = ring->outline().width() / 2;
    const QPoint onRing = (centre - QPointF(radius, radius) / std::sqrt(2.0)).toPoint();
    ASSERT_TRUE(lamp.contains(onRing));
    EXPECT_LT(image.pixelColor(onRing).lightness(), 128) << onRing.x() << "," << onRing.y();
}

// The designed size is the smallest; more room goes to the report view, the top row's commands
// keep their distance from the right edge and the bottom row its distance from the bottom.
TEST_F(MainFormTest, TheWindowGrowsFromItsDesignedSizeAndTheReportViewTakesTheRoom)
{
    const QSize designed = MainForm::designedSize();
    EXPECT_EQ(form.minimumSize(), designed);
    EXPECT_EQ(form.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    EXPECT_EQ(form.size(), designed);

    auto at = [this](const char *name) { return form.findChild<QWidget *>(QLatin1String(name))->geometry(); };
    const char *names[] = {"Colorful1", "Shape1",  "CmdAcquisisci", "LblBytes", "CmdStampa", "CmdEsporta", "CmdDelete",
                           "rtf1",      "CmdQuit", "Image1",        "Label1",   "CmdInfo",   "COM"};
    QMap<QString, QRect> before;
    for (const char *name : names)
        before[QLatin1String(name)] = at(name);
    const auto fromRight = [](const QRect &rect, const QSize &window) { return window.width() - rect.left(); };
    const auto fromBottom = [](const QRect &rect, const QSize &window) { return window.height() - rect.top(); };

    for (const QSize grown : {QSize(300, 200), QSize(0, 151), QSize(451, 0)}) {
        const QSize size = designed + grown;
        form.resize(size);
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.size() == size; }));
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        for (const char *name : {"Colorful1", "Shape1", "CmdAcquisisci"})
            EXPECT_EQ(at(name), before[QLatin1String(name)]) << name;
        EXPECT_EQ(at("rtf1"), before["rtf1"].adjusted(0, 0, grown.width(), grown.height()));
        EXPECT_EQ(at("LblBytes").right(), before["LblBytes"].right() + grown.width());
        for (const char *name : {"CmdStampa", "CmdEsporta", "CmdDelete"}) {
            EXPECT_EQ(fromRight(at(name), size), fromRight(before[QLatin1String(name)], designed)) << name;
            EXPECT_EQ(at(name).top(), before[QLatin1String(name)].top()) << name;
        }
        for (const char *name : {"CmdQuit", "Image1", "Label1", "CmdInfo", "COM"})
            EXPECT_EQ(fromBottom(at(name), size), fromBottom(before[QLatin1String(name)], designed)) << name;
        EXPECT_EQ(fromRight(at("CmdInfo"), size), fromRight(before["CmdInfo"], designed));
        EXPECT_EQ(at("CmdQuit").left(), before["CmdQuit"].left());
        // The picture and its caption stay in the middle of the bottom row.
        EXPECT_EQ(at("Image1").left() - before["Image1"].left(), grown.width() / 2);
        EXPECT_EQ(at("Label1").left() - at("Image1").left(), before["Label1"].left() - before["Image1"].left());
    }
    form.resize(designed - QSize(100, 100));
    EXPECT_EQ(form.size(), designed);
    EXPECT_EQ(at("rtf1"), before["rtf1"]);
}

TEST_F(MainFormTest, ThePortWindowKeepsItsSize)
{
    elvaro::shell::SettingPage page(ports, messages);
    EXPECT_EQ(page.minimumSize(), page.maximumSize());
}

TEST_F(MainFormTest, TheLongestByteCountFitsBesideTheLamp)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString longest = elvaro::shell::DownloadCounter::describe(999'999'999, 3'599'999);
    QLocale::setDefault(saved);
    EXPECT_EQ(longest, QStringLiteral("999,999,999 bytes received, last 59 min 59 s ago"));
    const QWidget &counter = form.byteCounter();
    EXPECT_LE(counter.fontMetrics().horizontalAdvance(longest), counter.width());
    EXPECT_LT(button("CmdAcquisisci")->geometry().right(), counter.geometry().left());
    EXPECT_LT(counter.geometry().right(), button("CmdStampa")->geometry().left());
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

TEST_F(MainFormTest, TheLampTimerTogglesTheLampEveryHalfSecond)
{
    EXPECT_EQ(form.lampTimer().interval(), 500);
    form.Timer1_Timer();
    EXPECT_TRUE(form.lamp().isVisible());
    form.Timer1_Timer();
    EXPECT_FALSE(form.lamp().isVisible());
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

    // Closing an idle window by the title bar asks nothing, whatever the view holds.
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
    struct Case {
        const char *name;
        QString text;
        int selStart; // positions in the view, where a line end counts one
        int selLength;
        bool answer;
        const char *question;
        QString after;
        Commands commands;
    };
    const Case cases[] = {
        {"middle", "ABCDEFG", 2, 3, true, selected, "ABFG", kEnabled},
        {"to the end", "ABCDEFG", 4, 3, true, selected, "ABCD", kEnabled},
        {"whole text selected", "ABCDEFG", 0, 7, true, selected, "", kDisabled},
        {"across a line end", "AB\r\nCD", 1, 3, true, selected, "AD", kEnabled},
        {"all", "ABCDEFG", 3, 0, true, all, "", kDisabled},
        {"all, No", "ABCDEFG", 0, 0, false, all, "ABCDEFG", kEnabled},
        {"selection, No", "ABCDEFG", 2, 3, false, selected, "ABCDEFG", kEnabled},
    };
    for (const Case &c : cases) {
        setReport(c.text, c.selStart, c.selLength);
        // The rule runs whatever the answer, even where the buttons were left wrong.
        button("CmdStampa")->setEnabled(!c.commands[0]);
        button("CmdDelete")->setEnabled(true);
        messages.shown.clear();
        messages.answers = {c.answer};
        button("CmdDelete")->click();
        ASSERT_EQ(messages.shown.size(), 1) << c.name;
        EXPECT_EQ(messages.shown[0].text, c.question) << c.name;
        EXPECT_EQ(form.reportView().Text(), c.after) << c.name;
        EXPECT_EQ(reportCommands(), c.commands) << c.name;
    }
}

TEST_F(MainFormTest, PrintSendsTheSelectionOrTheWholeViewToThePrinter)
{
    const QString report = QStringLiteral("+-----------+\r\n| FIRSTLINE |\r\n| SECONDLINE|\r\n+-----------+");
    struct Case {
        const char *name;
        int selStart;
        int selLength;
        std::optional<QPrinter::PrintRange> chosen; // what the person picks in the dialog
        int flags;
        QStringList printed;
        QStringList notPrinted;
    };
    const Case cases[] = {
        {"no selection", 0, 0, std::nullopt, 268, {"+-----------+", "| FIRSTLINE |", "| SECONDLINE|"}, {}},
        {"selection", 30, 11, std::nullopt, 265, {"SECONDLINE"}, {"FIRSTLINE", "+---"}},
        {"selection, whole text chosen", 30, 11, QPrinter::AllPages, 265, {"FIRSTLINE", "SECONDLINE"}, {}},
    };
    for (const Case &c : cases) {
        setReport(report, c.selStart, c.selLength);
        printDialog.chooseRange = c.chosen;
        QFile::remove(pdfPath());
        form.CmdStampa_Click();
        EXPECT_EQ(printDialog.flagsWhenShown, c.flags) << c.name;
        EXPECT_TRUE(printDialog.cancelErrorWhenShown) << c.name;
        EXPECT_EQ(printDialog.rangeWhenShown, c.selLength ? QPrinter::Selection : QPrinter::AllPages) << c.name;
        EXPECT_TRUE(messages.shown.isEmpty()) << c.name;
        const QString printed = pdfText(pdfPath());
        for (const QString &text : c.printed)
            EXPECT_TRUE(printed.contains(text))
                << c.name << ": " << text.toStdString() << " in " << printed.toStdString();
        for (const QString &text : c.notPrinted)
            EXPECT_FALSE(printed.contains(text)) << c.name << ": " << text.toStdString();
        EXPECT_EQ(form.reportView().Text(), report) << c.name;
    }
}

TEST_F(MainFormTest, PrintLinesUpTablesAndRunsOverSeveralPages)
{
    QString text;
    for (int line = 0; line < 150; ++line)
        text +=
            QStringLiteral("| LINE%1 | %2 |\r\n").arg(line, 3, 10, QLatin1Char('0')).arg(QString(line % 7, u'W'), 6);
    setReport(text);
    form.CmdStampa_Click();
    const QString printed = pdfText(pdfPath());
    EXPECT_TRUE(printed.contains(QLatin1String("LINE000")));
    EXPECT_TRUE(printed.contains(QLatin1String("LINE149")));
    EXPECT_GE(printed.count(u'\f'), 2) << "expected more than one page";
    // In the fixed-pitch font every "|" of the table stands in the same columns.
    const QStringList lines = printed.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0].trimmed().lastIndexOf(u'|'), lines[1].trimmed().lastIndexOf(u'|'));
}

TEST_F(MainFormTest, CancelOrAFailingPrinterShowsErrorsDuringPrintAndPrintsNothing)
{
    const std::pair<const char *, QString> cases[] = {
        {"cancel", pdfPath()},
        {"unwritable output", m_dir.filePath(QStringLiteral("no/such/folder/print.pdf"))},
    };
    for (const auto &[name, outputFile] : cases) {
        PdfPrintDialog dialog(outputFile);
        dialog.cancel = QLatin1String(name) == QLatin1String("cancel");
        MainForm other(ports, messages, dialog);
        other.Form_Load();
        other.reportView().setText(QStringLiteral("REPORT"));
        messages.shown.clear();
        other.CmdStampa_Click();
        ASSERT_EQ(messages.shown.size(), 1) << name;
        EXPECT_EQ(messages.shown[0].text, "Errors during print") << name;
        EXPECT_EQ(messages.shown[0].title, "Elvaro-Q3 V1b") << name;
        EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::None) << name;
        EXPECT_FALSE(messages.shown[0].question) << name;
        EXPECT_FALSE(QFile::exists(outputFile)) << name;
    }
}

TEST_F(MainFormTest, ThePrintDialogOffersTheChoicesTheFlagsAllow)
{
    for (const auto &[flags, selection] : {std::pair{265, true}, std::pair{268, false}}) {
        QPrinter printer;
        printer.setPrintRange(selection ? QPrinter::Selection : QPrinter::AllPages);
        const auto dialog = elvaro::shell::PrintDialog::makeDialog(printer, flags);
        dialog->show();
        for (QRadioButton *choice : dialog->findChildren<QRadioButton *>()) {
            // No choice of pages is left open in the dialog as shown.
            if (choice->text().contains(QLatin1String("Pages"))) {
                EXPECT_FALSE(choice->isEnabled()) << flags << " " << choice->text().toStdString();
            }
            if (choice->text() == QLatin1String("Selection")) {
                EXPECT_EQ(choice->isHidden(), !selection) << flags;
                EXPECT_EQ(choice->isChecked(), selection) << flags;
            }
        }
        dialog->hide();
    }
}

TEST_F(MainFormTest, TheAboutBoxOpensOnceWithoutBlockingAndShowsItsTexts)
{
    form.InAcquisizione = true; // "?" works during a download too
    button("CmdInfo")->click();
    frmAbout *about = form.aboutBox();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(about->windowTitle(), "Elvaro-Q3 V1b");

    auto label = [about](const char *name) { return about->findChild<QLabel *>(QLatin1String(name))->text(); };
    EXPECT_EQ(label("lblTitle"), "Elvaro-Q3 V1b");
    EXPECT_EQ(label("Label1"), "Software Freeware, version " + QString::fromUtf8(elvaro::system::kVersion));
    EXPECT_EQ(label("lblDescription"), frmAbout::kCompany + "\n\rHardware and Software\n\r" + frmAbout::kWebAddress);
    ASSERT_EQ(frmAbout::kLicensePieces.size(), 4);
    EXPECT_EQ(label("lblLicense"), frmAbout::kLicensePieces.join(QString()));
    for (QLabel *each : about->findChildren<QLabel *>()) {
        const QRect needed =
            each->fontMetrics().boundingRect(each->rect(), Qt::TextWordWrap | Qt::AlignHCenter, each->text());
        EXPECT_LE(needed.height(), each->height()) << each->objectName().toStdString();
    }

    // A second press brings the same box forward.
    button("CmdInfo")->click();
    EXPECT_EQ(form.aboutBox(), about);
    EXPECT_TRUE(form.findChildren<frmAbout *>().isEmpty()) << "the box must not belong to the main window";
}

TEST_F(MainFormTest, OkEnterAndEscEachCloseTheAboutBox)
{
    const std::pair<const char *, std::function<void(frmAbout &)>> presses[] = {
        {"OK", [](frmAbout &about) { about.findChild<QPushButton *>(QStringLiteral("cmdOK"))->click(); }},
        {"Enter", [](frmAbout &about) { QTest::keyClick(&about, Qt::Key_Return); }},
        {"Esc", [](frmAbout &about) { QTest::keyClick(&about, Qt::Key_Escape); }},
    };
    for (const auto &[name, press] : presses) {
        form.CmdInfo_Click();
        QPointer<frmAbout> about = form.aboutBox();
        press(*about);
        // Closing unloads the box rather than only hiding it.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(about.isNull()) << name;
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

int pdfPages(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {path});
    process.waitForFinished(30000);
    const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                              .match(QString::fromUtf8(process.readAllStandardOutput()));
    return pages.hasMatch() ? pages.captured(1).toInt() : -1;
}

} // namespace

// PRINT, QUIT and "?" answer the platform's keys for them, where it has one, and their tooltips name
// the keys.
TEST_F(MainFormTest, ThePrintQuitAndHelpKeysPressTheirButtonsAndTheTooltipsNameThem)
{
    form.reportView().setText(QStringLiteral("REPORT"));
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    messages.answers = {false};
    const std::tuple<const char *, QKeySequence::StandardKey, std::function<bool()>> cases[] = {
        {"CmdStampa", QKeySequence::Print, [this] { return printDialog.shownCount == 1; }},
        {"CmdQuit", QKeySequence::Quit,
         [this] { return messages.shown.size() == 1 && messages.shown[0].text == "Are you sure to exit?"; }},
        {"CmdInfo", QKeySequence::HelpContents, [this] { return form.aboutBox() != nullptr; }},
    };
    for (const auto &[name, key, pressed] : cases) {
        const QKeySequence sequence(key);
        if (sequence.isEmpty()) {
            // This platform has no key for the command (offscreen has none for Quit).
            EXPECT_FALSE(button(name)->toolTip().endsWith(u')')) << name;
            continue;
        }
        EXPECT_TRUE(
            button(name)->toolTip().endsWith(QStringLiteral("(%1)").arg(sequence.toString(QKeySequence::NativeText))))
            << name << ": " << button(name)->toolTip().toStdString();
        QTest::keyClick(&form.reportView(), sequence[0].key(), sequence[0].keyboardModifiers());
        EXPECT_TRUE(QTest::qWaitFor(pressed)) << name;
    }
    EXPECT_TRUE(form.isVisible());
}

// PRINT keeps margins of 15 mm at least, offers again the file it printed to, and asks before it
// prints more than 100 pages; No prints nothing and tells nothing more.
TEST_F(MainFormTest, PrintKeepsWideMarginsRemembersItsFileAndAsksBeforeMoreThanAHundredPages)
{
    setReport(QStringLiteral("MARGIN"));
    form.CmdStampa_Click();
    EXPECT_EQ(printDialog.fileWhenShown, QString());
    const QPointF corner = firstWordPosition(pdfPath());
    const qreal fifteenMillimetres = 15 / 25.4 * 72;
    EXPECT_GE(corner.x(), fifteenMillimetres);
    EXPECT_GE(corner.y(), fifteenMillimetres);

    setReport(QStringLiteral("x\r\n").repeated(10000));
    QFile::remove(pdfPath());
    messages.answers = {false, true};
    form.CmdStampa_Click();
    EXPECT_EQ(printDialog.fileWhenShown, pdfPath()) << "the file printed to last is offered";
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].question);
    const QRegularExpressionMatch asked =
        QRegularExpression(QStringLiteral("^This print takes (\\d+) pages\\. Print all of them\\?$"))
            .match(messages.shown[0].text);
    ASSERT_TRUE(asked.hasMatch()) << messages.shown[0].text.toStdString();
    EXPECT_GT(asked.captured(1).toInt(), 100);
    EXPECT_FALSE(QFile::exists(pdfPath()));

    form.CmdStampa_Click();
    EXPECT_EQ(messages.shown.size(), 2) << "asked again, and nothing else said";
    EXPECT_EQ(pdfPages(pdfPath()), asked.captured(1).toInt());
}
