#include "ShellTestSupport.h"

constexpr std::array<bool, 3> kEnabled = {true, true, true}, kDisabled = {};

TEST_F(FormTest, AfterLoadTheViewIsEmptyAndTheLampBlinksInItsRing)
{
    EXPECT_EQ(view().Text(), QString());
    for (const char *name : {"CmdAcquisisci", "CmdQuit", "CmdInfo"})
        EXPECT_TRUE(button(name)->isEnabled()) << name;
    EXPECT_EQ(button("CmdAcquisisci")->text(), "DOWNLOAD");
    EXPECT_FALSE(form.lampTimer().isActive());
    EXPECT_FALSE(form.exportBuffer().isVisible());
    EXPECT_FALSE(form.lamp().isVisible());
    form.Timer1_Timer();
    EXPECT_TRUE(form.lamp().isVisible());
    const QImage image = form.grab().toImage();
    const auto *ring = form.findChild<RingShape *>(QStringLiteral("Shape1"));
    EXPECT_EQ(ring->geometry().center(), form.lamp().geometry().center());
    const qreal radius = ring->outline().width() / 2;
    const QPoint onRing = (QRectF(ring->geometry()).center() - QPointF(radius, radius) / std::sqrt(2.0)).toPoint();
    EXPECT_LT(image.pixelColor(onRing).lightness(), 128);
    form.Timer1_Timer();
    EXPECT_FALSE(form.lamp().isVisible());
}

// Colours are 0x00BBGGRR (red by default); a click turns the lamp blue, the focus turns its
// border white and losing it black; the circle is centred on the control's white background.
TEST_F(WindowTest, TheLampsColoursBorderAndCircle)
{
    QWidget window;
    window.resize(140, 130);
    auto *other = new QLineEdit(&window);
    other->setGeometry(0, 100, 140, 30);
    auto *lamp = new Colorful(&window);
    lamp->setGeometry(10, 10, 120, 80);
    other->setFocus();
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const QImage image = window.grab().toImage();
    // The 80-pixel circle centred in 120 pixels: both its sides are red, beside them the control is white.
    for (const auto &[x, colour] : {std::pair{20, Qt::white}, {32, Qt::red}, {107, Qt::red}, {120, Qt::white}})
        EXPECT_EQ(image.pixelColor(x, 50), QColor(colour)) << x;

    EXPECT_EQ(lamp->shape().borderColor, Colorful::kRed);
    lamp->setFocus();
    EXPECT_EQ(lamp->shape().borderColor, Colorful::kWhite);
    other->setFocus();
    EXPECT_EQ(lamp->shape().borderColor, Colorful::kBlack);
    QTest::mouseClick(lamp, Qt::LeftButton, {}, lamp->rect().center());
    EXPECT_EQ(lamp->Color(), 0x00FF0000);
    EXPECT_EQ(lamp->grab().toImage().pixelColor(lamp->rect().center()), QColor(Qt::blue));
}

TEST(DownloadCounter, SaysTheBytesAndWhileRunningHowLongAgoTheLastCame)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const std::tuple<qint64, std::optional<qint64>, const char *> cases[] = {
        {0, 4000, "0 bytes received"},
        {1, std::nullopt, "1 byte received"},
        {2, 999, "2 bytes received, last 0 s ago"},
        {1234567, 59'999, "1,234,567 bytes received, last 59 s ago"},
        {10, 3'599'999, "10 bytes received, last 59 min 59 s ago"},
        {10, 90'061'000, "10 bytes received, last 25 h 1 min ago"}};
    for (const auto &[bytes, sinceLastByteMs, text] : cases)
        EXPECT_EQ(DownloadCounter::describe(bytes, sinceLastByteMs), QString::fromLatin1(text));
    QLocale::setDefault(saved);
}

TEST_F(FormTest, TheReportCommandsFollowTheTextButNotDuringADownload)
{
    EXPECT_EQ(reportCommands(), kDisabled) << "after load";
    view().setFocus();
    QTest::keyClicks(&view(), QStringLiteral("typed"));
    EXPECT_EQ(reportCommands(), kEnabled);
    view().selectAll();
    QTest::keyClick(&view(), Qt::Key_Backspace);
    EXPECT_EQ(reportCommands(), kDisabled);
    form.InAcquisizione = true;
    view().Append(QStringLiteral("received"));
    EXPECT_EQ(reportCommands(), kDisabled);
    form.InAcquisizione = false;
    form.applyReportCommandsRule();
    EXPECT_EQ(reportCommands(), kEnabled);
}

TEST_F(FormTest, QuitAsksAndClosesOnlyOnYesWhileTheTitleBarAsksNothing)
{
    messages.answers = {false, true};
    button("CmdQuit")->click();
    EXPECT_TRUE(form.isVisible());
    button("CmdQuit")->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(messages.take(kShownTitle), QStringList(2, "Are you sure to exit?"));
    form.show();
    view().setText(QStringLiteral("REPORT"));
    form.close();
    EXPECT_EQ(messages.take(), QStringList());
    EXPECT_FALSE(form.isVisible());
}

TEST_F(FormTest, DeleteRemovesTheSelectionOrEverythingAfterAskingThenAppliesTheRule)
{
    const QString selected = "Are you sure to delete selected data ?", all = "Are you sure to delete all the data ?";
    // Text, selection (a line end counts one), answer, question, text after.
    const std::tuple<QString, int, int, bool, QString, QString> cases[] = {
        {"ABCDEFG", 2, 5, true, selected, "ABFG"},
        {"ABCDEFG", 4, 7, true, selected, "ABCD"},
        {"ABCDEFG", 0, 7, true, selected, ""},
        {"AB\r\nCD", 1, 4, true, selected, "AD"},
        {"ABCDEFG", 3, 3, true, all, ""},
        {"ABCDEFG", 0, 0, false, all, "ABCDEFG"},
        {"ABCDEFG", 2, 5, false, selected, "ABCDEFG"}};
    for (const auto &[text, from, to, answer, question, after] : cases) {
        setReport(text, from, to);
        // The rule runs whatever the answer, even where the buttons were left wrong.
        button("CmdStampa")->setEnabled(after.isEmpty());
        button("CmdDelete")->setEnabled(true);
        messages.answers = {answer};
        button("CmdDelete")->click();
        EXPECT_EQ(messages.take(), QStringList{question});
        EXPECT_EQ(view().Text(), after);
        EXPECT_EQ(reportCommands(), after.isEmpty() ? kDisabled : kEnabled) << after.toStdString();
    }
}

// Tables line up over several pages with margins of 15 mm at least. PRINT offers the selection
// choice only with a selection, never a choice of pages, and prints what is chosen: the selection,
// or the whole text. The file printed to is offered again; more than 100 pages are printed only
// after asking, No prints nothing.
TEST_F(FormTest, PrintLinesUpTablesPrintsWhatIsChosenAndAsksBeforeMoreThanAHundredPages)
{
    QString text;
    for (int line = 0; line < 150; ++line)
        text +=
            QStringLiteral("| LINE%1 | %2 |\r\n").arg(line, 3, 10, QLatin1Char('0')).arg(QString(line % 7, u'W'), 6);
    setReport(text);
    form.CmdStampa_Click();
    const QString printed = pdfText(pdfPath());
    EXPECT_EQ(printDialog.fileWhenShown, QString());
    EXPECT_TRUE(printed.contains(QLatin1String("LINE149")));
    EXPECT_GE(printed.count(u'\f'), 2) << "expected more than one page";
    const QStringList lines = printed.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0].trimmed().lastIndexOf(u'|'), lines[1].trimmed().lastIndexOf(u'|'));
    const QRegularExpressionMatch corner =
        QRegularExpression(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\""))
            .match(pdfText(pdfPath(), QStringLiteral("-bbox")));
    EXPECT_GE(corner.captured(1).toDouble(), 15 / 25.4 * 72);
    EXPECT_GE(corner.captured(2).toDouble(), 15 / 25.4 * 72);

    const QString report = "+-----------+\r\n| FIRSTLINE |\r\n| SECONDLINE|\r\n+-----------+";
    // Selected length, range chosen in the dialog, the choices it offers (no pages), the printed text.
    const std::tuple<int, std::optional<QPrinter::PrintRange>, QString, QString> cases[] = {
        {0, std::nullopt, "Color* Grayscale Off* Print* ", "+-----------+ | FIRSTLINE | | SECONDLINE| +-----------+"},
        {11, std::nullopt, "Color* Grayscale Off* Print Selection* ", "SECONDLINE|"},
        {11, QPrinter::AllPages, "Color* Grayscale Off* Print Selection* ",
         "+-----------+ | FIRSTLINE | | SECONDLINE| +-----------+"}};
    for (const auto &[length, chosen, choices, page] : cases) {
        printDialog.chooseRange = chosen;
        setReport(report, 30, 30 + length);
        QFile::remove(pdfPath());
        form.CmdStampa_Click();
        EXPECT_EQ(pdfText(pdfPath()).simplified(), page);
        EXPECT_EQ(messages.take(), QStringList());
        QPrinter printer;
        printer.setPrintRange(printDialog.rangeWhenShown);
        const auto dialog = PrintDialog::makeDialog(printer, printDialog.flagsWhenShown);
        dialog->show();
        QString shown;
        for (const QRadioButton *choice : dialog->findChildren<QRadioButton *>())
            if (!choice->isHidden() && choice->isEnabled())
                shown += choice->text().remove(u'&').section(u' ', 0, 0) + (choice->isChecked() ? "* " : " ");
        EXPECT_EQ(shown, choices);
    }

    printDialog.chooseRange.reset();
    setReport(QStringLiteral("x\r\n").repeated(10000));
    QFile::remove(pdfPath());
    messages.answers = {false, true};
    form.CmdStampa_Click();
    EXPECT_FALSE(QFile::exists(pdfPath()));
    EXPECT_EQ(printDialog.fileWhenShown, pdfPath()) << "the file printed to last is offered";
    const QRegularExpressionMatch asked =
        QRegularExpression(QStringLiteral("^This print takes (\\d+) pages\\. Print all of them\\?$"))
            .match(messages.shown.value(0).text);
    ASSERT_TRUE(asked.hasMatch()) << messages.shown.value(0).text.toStdString();
    EXPECT_GT(asked.captured(1).toInt(), 100);
    form.CmdStampa_Click();
    EXPECT_EQ(pdfText(pdfPath()).count(u'\f'), asked.captured(1).toInt());
    EXPECT_EQ(messages.take(), QStringList(2, asked.captured(0))) << "asked again, and nothing else said";
}

// The Print key presses PRINT; a cancelled dialog and a printer that fails both say so.
TEST_F(FormTest, CancelOrAFailingPrinterShowsErrorsDuringPrintAndPrintsNothing)
{
    view().setText(QStringLiteral("REPORT"));
    for (const QString &outputFile : {pdfPath(), file(QStringLiteral("no/such/folder/print.pdf"))}) {
        printDialog.cancel = outputFile == pdfPath();
        printDialog.pdfPath = outputFile;
        printDialog.cancel ? press(QKeySequence::Print) : form.CmdStampa_Click();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !messages.shown.isEmpty(); })); // the key's press comes queued
        EXPECT_EQ(messages.take(kShownTitle), QStringList{"Errors during print"}) << outputFile.toStdString();
        EXPECT_FALSE(QFile::exists(outputFile));
    }
}

TEST_F(FormTest, TheAboutBoxOpensOnceWithoutBlockingItsTextsFitAndEnterOrEscClosesIt)
{
    form.InAcquisizione = true; // "?" works during a download too
    button("CmdInfo")->click();
    frmAbout *about = form.aboutBox();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(about->windowTitle(), kShownTitle);
    for (QLabel *each : about->findChildren<QLabel *>()) {
        const QRect needed =
            each->fontMetrics().boundingRect(each->rect(), Qt::TextWordWrap | Qt::AlignHCenter, each->text());
        EXPECT_LE(needed.height(), each->height()) << each->objectName().toStdString();
    }
    button("CmdInfo")->click();
    EXPECT_EQ(form.aboutBox(), about);
    EXPECT_TRUE(form.findChildren<frmAbout *>().isEmpty()) << "the box must not belong to the main window";
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        form.CmdInfo_Click();
        QPointer<frmAbout> shown = form.aboutBox();
        QTest::keyClick(shown, key);
        // Closing unloads the box rather than only hiding it.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(shown.isNull()) << key;
    }
}
