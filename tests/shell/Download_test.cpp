#include "ShellTestSupport.h"
#include "common/Bytes.h"

#include "report/ByteFilter.h"
#include "serial/PortTable.h"
#include "serial/PseudoTerminal.h"
#include "shell/Colorful.h"
#include "shell/DownloadCounter.h"
#include "shell/MainForm.h"
#include "shell/ReportFiles.h"
#include "shell/RichTextBox.h"

#include <QAction>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <array>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <thread>

using elvaro::serial::PortTable;
using elvaro::serial::PseudoTerminal;
using elvaro::shell::DownloadCounter;
using elvaro::shell::MainForm;
using elvaro::shell::MessageBoxes;
using elvaro::shell::RichTextBox;
using elvaro::shell::testing::HookOpener;
using elvaro::shell::testing::pdfText;
using elvaro::shell::testing::ScriptedMessageBoxes;
using elvaro::shell::testing::WindowTest;

namespace {

using elvaro::testing::bytes;

// The filtered form of received bytes as the view gives it back: a carriage return, a line feed
// or the pair each end one line, and lines are separated by carriage return and line feed.
QString asViewText(const std::string &received)
{
    const QString text = QString::fromStdString(elvaro::report::filterBytes(received));
    QString out;
    out.reserve(text.size() + 1024);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            out += QStringLiteral("\r\n");
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// Drives DOWNLOAD against a real pseudo-terminal: the test plays the instrument on the master end
// while the download loop runs, and presses the button again (Stop) when it has seen enough.
class DownloadTest : public WindowTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(terminal.open()) << terminal.errorString().toStdString();
        ports = PortTable::build({{1, terminal.devicePath()}}, {});
        form = std::make_unique<MainForm>(ports, messages, printDialog);
        form->Form_Load();
        form->setCom(QStringLiteral("1"));
        form->show();
    }

    QPushButton *button(const char *name) { return elvaro::shell::testing::button(*form, name); }

    // Runs one download. `step` is called every few milliseconds inside the download loop with the
    // view's text; it returns true to press Stop. Gives up (and presses Stop) after ten seconds.
    void download(const std::function<bool(const QString &)> &step)
    {
        QElapsedTimer clock;
        clock.start();
        QTimer driver;
        bool stopped = false;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            if (stopped)
                return;
            const bool timedOut = clock.elapsed() > 10000;
            if (step(form->reportView().Text()) || timedOut) {
                EXPECT_FALSE(timedOut) << "the download did not get what it waited for";
                stopped = true;
                button("CmdAcquisisci")->click();
            }
        });
        driver.start(5);
        button("CmdAcquisisci")->click();
    }

    void expectIdle(bool holdsText)
    {
        EXPECT_EQ(button("CmdAcquisisci")->text(), QStringLiteral("Download"));
        EXPECT_FALSE(form->InAcquisizione);
        EXPECT_FALSE(form->RichiestaStop);
        EXPECT_FALSE(form->lampTimer().isActive());
        EXPECT_FALSE(form->lamp().isVisible());
        EXPECT_TRUE(button("CmdQuit")->isEnabled());
        for (const char *name : {"CmdStampa", "CmdEsporta", "CmdDelete"})
            EXPECT_EQ(button(name)->isEnabled(), holdsText) << name;
    }

    PseudoTerminal terminal;
    PortTable ports = PortTable::build({}, {});
    std::unique_ptr<MainForm> form;
};

TEST_F(DownloadTest, LineDrawingBytesArriveFilteredWithTheirLineEnds)
{
    bool sent = false;
    download([&](const QString &text) {
        if (!sent && terminal.deviceIsOpen()) {
            sent =
                terminal.writeAll(bytes({218, 196, 196, 191, 13, 10, 179, 65, 179, 13, 10, 192, 196, 217, 128, 225}));
            EXPECT_TRUE(button("CmdAcquisisci")->text() == QStringLiteral("Stop"));
            EXPECT_FALSE(button("CmdQuit")->isEnabled());
            EXPECT_FALSE(button("CmdEsporta")->isEnabled());
            EXPECT_TRUE(button("CmdInfo")->isEnabled());
        }
        return text.endsWith(QStringLiteral("Çß"));
    });
    EXPECT_EQ(form->reportView().Text(), QStringLiteral("+--+\r\n|A|\r\n+-+Çß"));
    EXPECT_TRUE(messages.shown.isEmpty());
    expectIdle(true);
}

TEST_F(DownloadTest, ADownloadAppendsOnANewLineAndACarriageReturnMeetsItsLineFeedAcrossBursts)
{
    bool firstSent = false;
    download([&](const QString &text) {
        if (!firstSent && terminal.deviceIsOpen())
            firstSent = terminal.writeAll("first\r");
        return !text.isEmpty();
    });
    bool secondSent = false;
    download([&](const QString &text) {
        if (!secondSent && terminal.deviceIsOpen())
            secondSent = terminal.writeAll("\nsecond");
        return text.endsWith(QStringLiteral("second"));
    });
    // The carriage return held back at the end of the first download is one line end with the
    // line feed that opened the second.
    EXPECT_EQ(form->reportView().Text(), QStringLiteral("first\r\nsecond"));
    // A report that did not end its last line: the next one starts on a line of its own.
    bool thirdSent = false;
    download([&](const QString &text) {
        if (!thirdSent && terminal.deviceIsOpen())
            thirdSent = terminal.writeAll("+-+ third");
        return text.endsWith(QStringLiteral("third"));
    });
    EXPECT_EQ(form->reportView().Text(), QStringLiteral("first\r\nsecond\r\n+-+ third"));
    expectIdle(true);
}

TEST_F(DownloadTest, StopBeforeAnyByteLeavesTheViewAsItWas)
{
    download([](const QString &) { return true; });
    EXPECT_EQ(form->reportView().Text(), QString());
    expectIdle(false);

    form->reportView().setText(QStringLiteral("kept"));
    download([](const QString &) { return true; });
    EXPECT_EQ(form->reportView().Text(), QStringLiteral("kept"));
    expectIdle(true);
}

TEST_F(DownloadTest, TextTheUserTypesDuringADownloadStaysAndNewTextGoesAtTheEnd)
{
    int phase = 0;
    download([&](const QString &text) {
        if (phase == 0 && terminal.deviceIsOpen()) {
            terminal.writeAll("one\r\n");
            phase = 1;
        } else if (phase == 1 && text.startsWith(QStringLiteral("one"))) {
            form->reportView().setText(QStringLiteral("edited\r\n"));
            terminal.writeAll("two");
            phase = 2;
        }
        return phase == 2 && text.endsWith(QStringLiteral("two"));
    });
    EXPECT_EQ(form->reportView().Text(), QStringLiteral("edited\r\ntwo"));
}

TEST_F(DownloadTest, AMebibyteOfRandomBytesArrivesCompleteAndFiltered)
{
    std::mt19937 random(7);
    std::string sent(1 << 20, '\0');
    for (char &c : sent)
        c = static_cast<char>(random() & 0xff);
    // The view turns lone carriage returns and line feeds into line ends of its own; compare
    // against the filtered bytes with line ends made the view's.
    const QString expected = asViewText(sent);
    // The instrument writes from a thread of its own, as fast as the pseudo-terminal takes it,
    // while the download loop reads on this one.
    std::thread instrument;
    download([&](const QString &text) {
        if (!instrument.joinable() && terminal.deviceIsOpen())
            instrument = std::thread([&] { EXPECT_TRUE(terminal.writeAll(sent)); });
        return text.size() >= expected.size();
    });
    if (instrument.joinable())
        instrument.join();
    const QString text = form->reportView().Text();
    ASSERT_EQ(text.size(), expected.size());
    EXPECT_TRUE(text == expected);
}

// The window as it is while a message box is on the screen.
struct WindowState {
    QString text;
    QString caption;
    bool downloading = true;
    bool lampShown = true;
    bool lampBlinking = true;
    std::array<bool, 4> commands{}; // PRINT, EXPORT, DELETE, QUIT enabled
};

TEST_F(DownloadTest, TheLineVanishingShowsItsMessageOnceEverythingReceivedIsShownAndTheWindowIsIdle)
{
    std::optional<WindowState> whenTold;
    messages.whenShown = [&](const ScriptedMessageBoxes::Shown &) {
        whenTold = WindowState{form->reportView().Text(),
                               button("CmdAcquisisci")->text(),
                               form->InAcquisizione,
                               form->lamp().isVisible(),
                               form->lampTimer().isActive(),
                               {button("CmdStampa")->isEnabled(), button("CmdEsporta")->isEnabled(),
                                button("CmdDelete")->isEnabled(), button("CmdQuit")->isEnabled()}};
    };
    bool sent = false;
    download([&](const QString &text) {
        if (!sent && terminal.deviceIsOpen())
            sent = terminal.writeAll("before the cable was pulled\r\n");
        // Unread bytes go with the line when it hangs up, so it is pulled once they have been read.
        if (text.contains(QStringLiteral("pulled")))
            terminal.close();
        return false; // the failure ends the download, not a Stop press
    });
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::Critical);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("/dev/pts/"))) << messages.shown[0].text.toStdString();
    ASSERT_TRUE(whenTold);
    EXPECT_EQ(whenTold->text, QStringLiteral("before the cable was pulled\r\n"));
    EXPECT_EQ(whenTold->caption, QStringLiteral("Download"));
    EXPECT_FALSE(whenTold->downloading);
    EXPECT_FALSE(whenTold->lampShown);
    EXPECT_FALSE(whenTold->lampBlinking);
    EXPECT_EQ(whenTold->commands, (std::array<bool, 4>{true, true, true, true}));
    expectIdle(true);
}

TEST_F(DownloadTest, APortThatCannotBeOpenedIsReportedAndTheWindowIsIdleAgain)
{
    ports = PortTable::build({{1, QStringLiteral("/dev/elvaro-no-such-device")}}, {});
    form = std::make_unique<MainForm>(ports, messages, printDialog);
    form->Form_Load();
    form->setCom(QStringLiteral("1"));
    bool idleWhenTold = false;
    messages.whenShown = [&](const ScriptedMessageBoxes::Shown &) {
        idleWhenTold = !form->InAcquisizione && !form->lampTimer().isActive() && button("CmdQuit")->isEnabled()
                       && button("CmdAcquisisci")->text() == QStringLiteral("Download");
    };
    button("CmdAcquisisci")->click();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("/dev/elvaro-no-such-device")))
        << messages.shown[0].text.toStdString();
    EXPECT_TRUE(idleWhenTold);
    expectIdle(false);
}

// A close request during a download asks; No keeps the window, its text and the download, Yes
// ends the download, closes the port and the window.
TEST_F(DownloadTest, ClosingTheWindowDuringADownloadAsksFirst)
{
    int phase = 0;
    download([&](const QString &text) {
        if (phase == 0 && terminal.deviceIsOpen()) {
            terminal.writeAll("before\r\n");
            phase = 1;
        } else if (phase == 1 && text == QStringLiteral("before\r\n")) {
            messages.answers = {false};
            EXPECT_FALSE(form->close());
            EXPECT_TRUE(form->isVisible());
            EXPECT_TRUE(form->InAcquisizione);
            EXPECT_FALSE(form->reportFiles().openAction().isEnabled()) << "no report opens into a download";
            terminal.writeAll("after");
            phase = 2;
        } else if (phase == 2 && text == QStringLiteral("before\r\nafter")) {
            messages.answers = {true};
            EXPECT_TRUE(form->close());
            phase = 3;
        }
        return false; // Yes stops the download, not a Stop press
    });
    ASSERT_EQ(phase, 3);
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_TRUE(messages.shown[0].question);
    EXPECT_TRUE(
        messages.shown[0].text.startsWith(QStringLiteral("A download is running. Stop it and close the window?")))
        << messages.shown[0].text.toStdString();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->InAcquisizione);
    EXPECT_FALSE(terminal.deviceIsOpen());
}

TEST_F(DownloadTest, ReceivedTextIsNeverUndoneTheUsersTypingSinceTheLastBurstIs)
{
    RichTextBox &view = form->reportView();
    const auto undo = [&view] { QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier); };
    const auto redo = [&view] { QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); };
    view.setFocus();
    int phase = 0;
    download([&](const QString &text) {
        if (phase == 0 && terminal.deviceIsOpen()) {
            terminal.writeAll("one\r\n");
            phase = 1;
        } else if (phase == 1 && text == QStringLiteral("one\r\n")) {
            // A note typed during the download, taken back, typed again; then the next burst.
            view.moveCursor(QTextCursor::End);
            QTest::keyClicks(&view, QStringLiteral("NOTE"));
            undo();
            EXPECT_EQ(view.Text(), QStringLiteral("one\r\n"));
            QTest::keyClicks(&view, QStringLiteral("note "));
            terminal.writeAll("two\r\n");
            phase = 2;
        } else if (phase == 2 && text.endsWith(QStringLiteral("two\r\n"))) {
            // Undoing now would take away the burst, not the note: nothing is undone.
            undo();
            EXPECT_EQ(view.Text(), QStringLiteral("one\r\nnote two\r\n"));
            terminal.writeAll("three\r\n");
            phase = 3;
        }
        return phase == 3 && text.endsWith(QStringLiteral("three\r\n"));
    });
    ASSERT_EQ(phase, 3);
    const QString received = QStringLiteral("one\r\nnote two\r\nthree\r\n");
    for (int times = 0; times < 5; ++times)
        undo();
    redo();
    EXPECT_EQ(view.Text(), received);

    // Typing after the download is undone, and only that.
    view.moveCursor(QTextCursor::End);
    QTest::keyClicks(&view, QStringLiteral("end"));
    undo();
    undo();
    EXPECT_EQ(view.Text(), received);
    expectIdle(true);
}

TEST_F(DownloadTest, TheCounterShowsTheBytesReceivedAndKeepsThemAfterStopUntilTheNextDownload)
{
    const DownloadCounter &counter = form->byteCounter();
    EXPECT_FALSE(counter.isVisible()) << "nothing to count before the first download";
    QString whileRunning;
    bool sent = false;
    download([&](const QString &text) {
        if (!sent && terminal.deviceIsOpen()) {
            EXPECT_EQ(counter.text(), QStringLiteral("0 bytes received"));
            EXPECT_TRUE(counter.isVisible());
            sent = terminal.writeAll(bytes({218, 196, 191, 13, 10, 'A', 'B'}));
        }
        whileRunning = counter.text();
        return text.endsWith(QStringLiteral("AB")) && whileRunning.startsWith(QStringLiteral("7 bytes"));
    });
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^7 bytes received, last \\d+ s ago$")).match(whileRunning).hasMatch())
        << whileRunning.toStdString();
    EXPECT_EQ(counter.text(), QStringLiteral("7 bytes received"));
    EXPECT_TRUE(counter.isVisible());

    download([&](const QString &) {
        EXPECT_EQ(counter.text(), QStringLiteral("0 bytes received"));
        return true;
    });
    EXPECT_EQ(counter.text(), QStringLiteral("0 bytes received"));
}

// PRINT, EXPORT and DELETE of a selection in received text act on exactly the selected characters.
TEST_F(DownloadTest, ASelectionInReceivedTextIsPrintedExportedAndDeletedExactly)
{
    bool sent = false;
    download([&](const QString &text) {
        if (!sent && terminal.deviceIsOpen())
            sent = terminal.writeAll("AB\r\nCD\rEF\nGH");
        return text.endsWith(QStringLiteral("GH"));
    });
    RichTextBox &view = form->reportView();
    ASSERT_EQ(view.Text(), QStringLiteral("AB\r\nCD\r\nEF\r\nGH"));
    // From D to E, by keys: two lines down, one right, then with Shift one line down.
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(view.Text().mid(view.SelStart(), view.SelLength()), QStringLiteral("D\r\nE"));

    button("CmdStampa")->click();
    EXPECT_EQ(pdfText(pdfPath()).simplified(), QStringLiteral("D E"));
    HookOpener opener;
    form->setWorkbookOpener(opener, file(QStringLiteral("workbooks")));
    button("CmdEsporta")->click();
    EXPECT_EQ(form->exportBuffer().Text(), QStringLiteral("D\r\nE"));
    EXPECT_EQ(opener.opened.size(), 1);

    messages.answers = {true};
    button("CmdDelete")->click();
    EXPECT_EQ(view.Text(), QStringLiteral("AB\r\nCF\r\nGH"));
}

} // namespace
