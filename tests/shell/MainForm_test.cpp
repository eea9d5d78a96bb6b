#include "ShellTestSupport.h"

#include "serial/PortTable.h"
#include "shell/Colorful.h"
#include "shell/MainForm.h"
#include "shell/PrintDialog.h"
#include "shell/RichTextBox.h"
#include "shell/RingShape.h"
#include "shell/frmAbout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTimer>

using elvaro::serial::PortTable;
using elvaro::shell::Colorful;
using elvaro::shell::CommonDialog;
using elvaro::shell::frmAbout;
using elvaro::shell::MainForm;
using elvaro::shell::MessageBoxes;
using elvaro::shell::RichTextBox;
using elvaro::shell::RingShape;
using elvaro::shell::testing::application;
using elvaro::shell::testing::PdfPrintDialog;
using elvaro::shell::testing::pdfText;
using elvaro::shell::testing::ScriptedMessageBoxes;

namespace {

class MainFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        form.Form_Load();
        form.show();
    }

    void TearDown() override
    {
        if (frmAbout *about = form.aboutBox())
            delete about;
    }

    QPushButton *button(const char *name) { return form.findChild<QPushButton *>(QLatin1String(name)); }

    // Enabled state of PRINT, EXPORT and DELETE.
    std::array<bool, 3> reportCommands()
    {
        return {button("CmdStampa")->isEnabled(), button("CmdEsporta")->isEnabled(), button("CmdDelete")->isEnabled()};
    }

    void select(int from, int length)
    {
        QTextCursor cursor(form.reportView().document());
        cursor.setPosition(from);
        cursor.setPosition(from + length, QTextCursor::KeepAnchor);
        form.reportView().setTextCursor(cursor);
    }

    QString pdfPath() const { return m_dir.filePath(QStringLiteral("print.pdf")); }

    QApplication &m_application = application();
    QTemporaryDir m_dir;
    PortTable ports = PortTable::build({{1, QStringLiteral("/dev/pts/1")}}, {});
    ScriptedMessageBoxes messages;
    PdfPrintDialog printDialog{m_dir.filePath(QStringLiteral("print.pdf"))};
    MainForm form{ports, messages, printDialog};
};

constexpr std::array<bool, 3> kEnabled = {true, true, true};
constexpr std::array<bool, 3> kDisabled = {false, false, false};

} // namespace

TEST_F(MainFormTest, AfterLoadTheViewIsEmptyTheReportCommandsOffAndTheLampHidden)
{
    EXPECT_EQ(form.windowTitle(), "WORK PAGE");
    EXPECT_TRUE(form.reportView().Text().isEmpty());
    EXPECT_EQ(reportCommands(), kDisabled);
    for (const char *name : {"CmdAcquisisci", "CmdQuit", "CmdInfo"})
        EXPECT_TRUE(button(name)->isEnabled()) << name;
    EXPECT_EQ(button("CmdAcquisisci")->text(), "DOWNLOAD");
    EXPECT_FALSE(form.lamp().isVisible());
    EXPECT_FALSE(form.lampTimer().isActive());
    EXPECT_FALSE(form.InAcquisizione);
    EXPECT_FALSE(form.RichiestaStop);
    EXPECT_FALSE(form.exportBuffer().isVisible());
}

TEST_F(MainFormTest, TabGoesThroughTheControlsInTheWindowsOrder)
{
    const QStringList expected = {"CmdEsporta", "CmdStampa", "rtf1", "CmdAcquisisci", "CmdDelete",
                                  "CmdQuit",    "COM",       "Colorful1", "CmdInfo"};
    QStringList order;
    QWidget *widget = form.findChild<QWidget *>(expected.first());
    for (qsizetype step = 0; step < expected.size(); ++step) {
        order.append(widget->objectName());
        do
            widget = widget->nextInFocusChain();
        while (!expected.contains(widget->objectName()) && widget != &form);
    }
    EXPECT_EQ(order, expected);
}

TEST_F(MainFormTest, TheProgramEndsOnlyWhenTheAboutBoxLeftOpenIsClosedToo)
{
    form.CmdInfo_Click();
    QPointer<frmAbout> about = form.aboutBox();
    bool aboutStillOpenAfterQuit = false;
    messages.answers = {true};
    QTimer::singleShot(0, &form, &MainForm::CmdQuit_Click);
    QTimer::singleShot(0, [&] {
        aboutStillOpenAfterQuit = !form.isVisible() && about && about->isVisible();
        if (about)
            about->cmdOK_Click();
    });
    // A safety net only: the event loop ends by itself once the last window is closed.
    QTimer safetyNet;
    safetyNet.setSingleShot(true);
    QObject::connect(&safetyNet, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    safetyNet.start(30000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(aboutStillOpenAfterQuit);
}

TEST_F(MainFormTest, CaptionsFitTheirControls)
{
    for (QPushButton *command : form.findChildren<QPushButton *>())
        EXPECT_LE(command->fontMetrics().horizontalAdvance(command->text()) + 8, command->width())
            << command->objectName().toStdString();
    auto *label = form.findChild<QLabel *>(QStringLiteral("Label1"));
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
    EXPECT_FALSE(label->geometry().intersects(button("CmdInfo")->geometry()));
}

TEST_F(MainFormTest, TheRingFramesTheLampWithoutCoveringIt)
{
    auto *ring = form.findChild<RingShape *>(QStringLiteral("Shape1"));
    ASSERT_NE(ring, nullptr);
    const QRect lamp = form.lamp().geometry();
    EXPECT_EQ(lamp, QRect(16, 11, 27, 27));
    EXPECT_EQ(ring->geometry().center(), lamp.center());
    // The ring's inner edge lies on the lamp's outer edge.
    const QRectF outline = ring->outline().translated(ring->pos());
    EXPECT_DOUBLE_EQ(outline.width() - ring->borderWidth(), lamp.width());
    // The lamp lies above the ring.
    EXPECT_LT(form.children().indexOf(ring), form.children().indexOf(&form.lamp()));
}

TEST_F(MainFormTest, TheReportCommandsFollowTheText)
{
    form.reportView().setText(QStringLiteral("+--+"));
    form.applyReportCommandsRule();
    EXPECT_EQ(reportCommands(), kEnabled);
    form.reportView().setText(QString());
    form.applyReportCommandsRule();
    EXPECT_EQ(reportCommands(), kDisabled);
}

TEST_F(MainFormTest, TypingIntoOrClearingTheViewByHandAlsoFollowsTheRuleButNotDuringADownload)
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
}

TEST_F(MainFormTest, TheLampTimerTogglesTheLampEveryHalfSecond)
{
    EXPECT_EQ(form.lampTimer().interval(), 500);
    form.Timer1_Timer();
    EXPECT_TRUE(form.lamp().isVisible());
    form.Timer1_Timer();
    EXPECT_FALSE(form.lamp().isVisible());
}

TEST_F(MainFormTest, QuitAsksAndClosesOnlyOnYes)
{
    messages.answers = {false};
    button("CmdQuit")->click();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, "Are you sure to exit?");
    EXPECT_EQ(messages.shown[0].title, "Elvaro-Q3 V1b");
    EXPECT_TRUE(messages.shown[0].question);
    EXPECT_TRUE(form.isVisible());

    messages.answers = {true};
    button("CmdQuit")->click();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(MainFormTest, ClosingTheWindowAsksNothingAndStopsARunningDownload)
{
    form.InAcquisizione = true;
    form.lampTimer().start();
    form.close();
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_TRUE(form.RichiestaStop);
    EXPECT_FALSE(form.lampTimer().isActive());
}

TEST_F(MainFormTest, DeleteRemovesTheSelectionOrEverythingAfterAskingThenAppliesTheRule)
{
    struct Case {
        const char *name;
        QString text;
        int selStart;
        int selLength;
        bool answer;
        const char *question;
        QString after;
        std::array<bool, 3> commands;
    };
    const QString two = QStringLiteral("AB\r\nCD");
    const Case cases[] = {
        {"middle", "ABCDEFG", 2, 3, true, "Are you sure to delete selected data ?", "ABFG", kEnabled},
        {"to the end", "ABCDEFG", 4, 3, true, "Are you sure to delete selected data ?", "ABCD", kEnabled},
        {"whole text selected", "ABCDEFG", 0, 7, true, "Are you sure to delete selected data ?", "", kDisabled},
        {"across a line end", two, 1, 3, true, "Are you sure to delete selected data ?", "AD", kEnabled},
        {"all", "ABCDEFG", 3, 0, true, "Are you sure to delete all the data ?", "", kDisabled},
        {"all, No", "ABCDEFG", 0, 0, false, "Are you sure to delete all the data ?", "ABCDEFG", kEnabled},
        {"selection, No", "ABCDEFG", 2, 3, false, "Are you sure to delete selected data ?", "ABCDEFG", kEnabled},
    };
    for (const Case &c : cases) {
        form.reportView().setText(c.text);
        form.applyReportCommandsRule();
        select(c.selStart, c.selLength);
        messages.shown.clear();
        messages.answers = {c.answer};
        button("CmdDelete")->click();
        ASSERT_EQ(messages.shown.size(), 1) << c.name;
        EXPECT_EQ(messages.shown[0].text, c.question) << c.name;
        EXPECT_TRUE(messages.shown[0].question) << c.name;
        EXPECT_EQ(form.reportView().Text(), c.after) << c.name;
        EXPECT_EQ(reportCommands(), c.commands) << c.name;
    }
}

TEST_F(MainFormTest, DeleteAnsweredNoStillAppliesTheRule)
{
    // The view changed behind the buttons' back: the rule puts them right even on No.
    form.reportView().setText(QStringLiteral("text"));
    button("CmdDelete")->setEnabled(true);
    button("CmdStampa")->setEnabled(false);
    messages.answers = {false};
    button("CmdDelete")->click();
    EXPECT_EQ(reportCommands(), kEnabled);
}

TEST_F(MainFormTest, PrintWithoutSelectionPrintsTheWholeViewWithTheSelectionChoiceDisabled)
{
    form.reportView().setText(QStringLiteral("+------+\r\n| HEAD |\r\n+------+\r\n| TAIL |\r\n+------+"));
    form.applyReportCommandsRule();
    button("CmdStampa")->click();

    EXPECT_EQ(printDialog.shownCount, 1);
    EXPECT_EQ(printDialog.flagsWhenShown, 268);
    EXPECT_TRUE(printDialog.cancelErrorWhenShown);
    EXPECT_TRUE(messages.shown.isEmpty());
    const QString printed = pdfText(pdfPath());
    EXPECT_TRUE(printed.contains(QLatin1String("| HEAD |"))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QLatin1String("| TAIL |"))) << printed.toStdString();
    // The table is printed in a fixed-pitch font: its columns line up in the PDF's text.
    const QStringList lines = printed.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines[0].trimmed().size(), lines[1].trimmed().size());
}

TEST_F(MainFormTest, PrintWithSelectionPreselectsItAndPrintsOnlyTheSelection)
{
    form.reportView().setText(QStringLiteral("FIRSTLINE\r\nSECONDLINE\r\nTHIRDLINE"));
    form.applyReportCommandsRule();
    select(10, 10); // "SECONDLINE"
    button("CmdStampa")->click();

    EXPECT_EQ(printDialog.flagsWhenShown, 265);
    EXPECT_EQ(printDialog.rangeWhenShown, QPrinter::Selection);
    EXPECT_TRUE(messages.shown.isEmpty());
    const QString printed = pdfText(pdfPath());
    EXPECT_TRUE(printed.contains(QLatin1String("SECONDLINE"))) << printed.toStdString();
    EXPECT_FALSE(printed.contains(QLatin1String("FIRSTLINE"))) << printed.toStdString();
    EXPECT_FALSE(printed.contains(QLatin1String("THIRDLINE"))) << printed.toStdString();
    EXPECT_EQ(form.reportView().Text(), "FIRSTLINE\r\nSECONDLINE\r\nTHIRDLINE");
}

TEST_F(MainFormTest, PrintHonoursTheWholeTextWhenTheUserChoosesItInTheDialog)
{
    form.reportView().setText(QStringLiteral("FIRSTLINE\r\nSECONDLINE"));
    select(0, 5);
    printDialog.chooseRange = QPrinter::AllPages;
    button("CmdStampa")->setEnabled(true);
    button("CmdStampa")->click();
    const QString printed = pdfText(pdfPath());
    EXPECT_TRUE(printed.contains(QLatin1String("FIRSTLINE"))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QLatin1String("SECONDLINE"))) << printed.toStdString();
}

TEST_F(MainFormTest, PrintLongTextRunsOverSeveralPages)
{
    QString text;
    for (int line = 0; line < 150; ++line)
        text += QStringLiteral("LINE%1\r\n").arg(line, 3, 10, QLatin1Char('0'));
    form.reportView().setText(text);
    button("CmdStampa")->setEnabled(true);
    button("CmdStampa")->click();
    const QString printed = pdfText(pdfPath());
    EXPECT_TRUE(printed.contains(QLatin1String("LINE000")));
    EXPECT_TRUE(printed.contains(QLatin1String("LINE149")));
    EXPECT_GE(printed.count(u'\f'), 2) << "expected more than one page";
}

TEST_F(MainFormTest, CancelOrAFailingPrinterShowsErrorsDuringPrintAndPrintsNothing)
{
    struct Case {
        const char *name;
        bool cancel;
        QString outputFile;
    };
    const Case cases[] = {
        {"cancel", true, pdfPath()},
        {"unwritable output", false, m_dir.filePath(QStringLiteral("no/such/folder/print.pdf"))},
    };
    for (const Case &c : cases) {
        PdfPrintDialog dialog(c.outputFile);
        dialog.cancel = c.cancel;
        MainForm other(ports, messages, dialog);
        other.Form_Load();
        other.reportView().setText(QStringLiteral("REPORT"));
        messages.shown.clear();
        other.CmdStampa_Click();
        ASSERT_EQ(messages.shown.size(), 1) << c.name;
        EXPECT_EQ(messages.shown[0].text, "Errors during print") << c.name;
        EXPECT_EQ(messages.shown[0].title, "Elvaro-Q3 V1b") << c.name;
        EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::None) << c.name;
        EXPECT_FALSE(messages.shown[0].question) << c.name;
        EXPECT_FALSE(QFile::exists(c.outputFile)) << c.name;
        EXPECT_EQ(other.reportView().Text(), "REPORT") << c.name;
    }
}

TEST_F(MainFormTest, ThePrintDialogOffersTheChoicesTheFlagsAllow)
{
    struct Case {
        int flags;
        bool selection;
    };
    for (const Case c : {Case{265, true}, Case{268, false}}) {
        QPrinter printer;
        printer.setPrintRange(c.selection ? QPrinter::Selection : QPrinter::AllPages);
        const auto dialog = elvaro::shell::PrintDialog::makeDialog(printer, c.flags);
        dialog->show();
        EXPECT_FALSE(dialog->testOption(QAbstractPrintDialog::PrintPageRange)) << c.flags;
        EXPECT_EQ(dialog->testOption(QAbstractPrintDialog::PrintSelection), c.selection) << c.flags;
        for (QRadioButton *choice : dialog->findChildren<QRadioButton *>()) {
            // No choice of pages is left open in the dialog as shown.
            if (choice->text().contains(QLatin1String("Pages"))) {
                EXPECT_FALSE(choice->isEnabled()) << c.flags << " " << choice->text().toStdString();
            }
            if (choice->text() == QLatin1String("Selection")) {
                EXPECT_EQ(choice->isHidden(), !c.selection) << c.flags;
                EXPECT_EQ(choice->isChecked(), c.selection) << c.flags;
            }
        }
        dialog->hide();
    }
}

TEST_F(MainFormTest, TheAboutBoxOpensOnceWithoutBlockingAndShowsItsTexts)
{
    button("CmdInfo")->click();
    frmAbout *about = form.aboutBox();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(about->windowTitle(), "Elvaro-Q3 V1b");

    auto label = [about](const char *name) { return about->findChild<QLabel *>(QLatin1String(name))->text(); };
    EXPECT_EQ(label("lblTitle"), "Elvaro-Q3 V1b");
    EXPECT_EQ(label("Label1"), "Software Freeware");
    EXPECT_EQ(label("lblDescription"),
              frmAbout::kCompany + "\n\rHardware and Software\n\r" + frmAbout::kWebAddress);
    EXPECT_EQ(label("lblLicense"), frmAbout::kLicensePieces.join(QString()));
    EXPECT_EQ(frmAbout::kLicensePieces.size(), 4);

    // A second press brings the same box forward; the main window goes on working meanwhile.
    button("CmdInfo")->click();
    EXPECT_EQ(form.aboutBox(), about);
    EXPECT_EQ(form.findChildren<frmAbout *>().size(), 0) << "the box must outlive the main window";
    form.reportView().setText(QStringLiteral("still usable"));
    EXPECT_EQ(form.reportView().Text(), "still usable");
}

TEST_F(MainFormTest, TheAboutBoxStaysAvailableDuringADownload)
{
    form.InAcquisizione = true;
    EXPECT_TRUE(button("CmdInfo")->isEnabled());
    button("CmdInfo")->click();
    ASSERT_NE(form.aboutBox(), nullptr);
    EXPECT_TRUE(form.aboutBox()->isVisible());
}

TEST_F(MainFormTest, OkEnterAndEscEachCloseTheAboutBox)
{
    struct Case {
        const char *name;
        std::function<void(frmAbout &)> press;
    };
    const Case cases[] = {
        {"OK", [](frmAbout &about) { about.findChild<QPushButton *>(QStringLiteral("cmdOK"))->click(); }},
        {"Enter", [](frmAbout &about) { QTest::keyClick(&about, Qt::Key_Return); }},
        {"Esc", [](frmAbout &about) { QTest::keyClick(&about, Qt::Key_Escape); }},
    };
    for (const Case &c : cases) {
        form.CmdInfo_Click();
        QPointer<frmAbout> about = form.aboutBox();
        ASSERT_TRUE(about) << c.name;
        c.press(*about);
        EXPECT_FALSE(about && about->isVisible()) << c.name;
        // Closing unloads the box: it goes away rather than staying hidden.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(about.isNull()) << c.name;
        EXPECT_EQ(form.aboutBox(), nullptr) << c.name;
    }
}

TEST_F(MainFormTest, TheAboutBoxKeepsItsCaptionsInsideItsLabels)
{
    form.CmdInfo_Click();
    frmAbout *about = form.aboutBox();
    for (QLabel *label : about->findChildren<QLabel *>()) {
        if (label->text().isEmpty())
            continue;
        const QRect needed = label->fontMetrics().boundingRect(label->rect(), Qt::TextWordWrap | Qt::AlignHCenter,
                                                               label->text());
        EXPECT_LE(needed.height(), label->height()) << label->objectName().toStdString();
    }
}
