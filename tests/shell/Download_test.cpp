#include "ShellTestSupport.h"
#include "common/Bytes.h"

#include "serial/PortTable.h"
#include "serial/PseudoTerminal.h"
#include "shell/Colorful.h"
#include "shell/DownloadCounter.h"
#include "shell/MainForm.h"
#include "shell/ReportFiles.h"
#include "shell/RichTextBox.h"

#include <QAction>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <array>
#include <functional>
#include <optional>

using elvaro::serial::PortTable;
using elvaro::shell::MainForm;
using elvaro::shell::MessageBoxes;
using elvaro::shell::testing::ScriptedMessageBoxes;
using elvaro::shell::testing::WindowTest;

namespace {

using elvaro::testing::bytes;

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

    // Runs one download. `step` is called inside the download loop once the port is open, after
    // every change of the view and at every blink of the lamp, with the view's text; it returns
    // true to press Stop. A download
    // that gets nothing in ten seconds is stopped and fails the test.
    void download(const std::function<bool(const QString &)> &step)
    {
        bool stopped = false;
        const auto next = [&] {
            if (!stopped && form->InAcquisizione && step(form->reportView().Text())) {
                stopped = true;
                button("CmdAcquisisci")->click();
            }
        };
        const QMetaObject::Connection changes =
            QObject::connect(&form->reportView(), &QPlainTextEdit::textChanged, next);
        const QMetaObject::Connection blinks = QObject::connect(&form->lampTimer(), &QTimer::timeout, next);
        QTimer::singleShot(0, next);
        QTimer safety;
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, [&] {
            ADD_FAILURE() << "the download did not get what it waited for";
            stopped = true;
            button("CmdAcquisisci")->click();
        });
        safety.start(10000);
        button("CmdAcquisisci")->click();
        QObject::disconnect(changes);
        QObject::disconnect(blinks);
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

    elvaro::serial::PseudoTerminal terminal;
    PortTable ports = PortTable::build({}, {});
    std::unique_ptr<MainForm> form;
};

// Line-drawing bytes arrive filtered; the counter shows the bytes while running and after Stop; a
// CR held at the end of a download meets the LF that opens the next; a report that did not end
// its last line is followed on a line of its own; a Stop before any byte leaves the view as it was.
TEST_F(DownloadTest, WhatArrivesIsShownFilteredCountedAndAppendedOnANewLine)
{
    const elvaro::shell::DownloadCounter &counter = form->byteCounter();
    EXPECT_FALSE(counter.isVisible()) << "nothing to count before the first download";
    download([&](const QString &text) {
        if (text.isEmpty()) {
            EXPECT_EQ(counter.text(), QStringLiteral("0 bytes received"));
            EXPECT_EQ(button("CmdAcquisisci")->text(), QStringLiteral("Stop"));
            EXPECT_TRUE(form->lampTimer().isActive());
            form->Timer1_Timer(); // the lamp lit when Stop comes goes out
            EXPECT_TRUE(form->lamp().isVisible());
            EXPECT_FALSE(button("CmdQuit")->isEnabled());
            EXPECT_FALSE(button("CmdEsporta")->isEnabled());
            EXPECT_TRUE(button("CmdInfo")->isEnabled());
            EXPECT_FALSE(form->reportFiles().openAction().isEnabled()) << "no report opens into a download";
            terminal.writeAll(bytes({218, 196, 196, 191, 13, 10, 179, 65, 179, 13, 10, 192, 196, 217, 128, 225, 13}));
        }
        return text.endsWith(QStringLiteral("Çß"))
               && counter.text().startsWith(QStringLiteral("17 bytes received, last "));
    });
    EXPECT_EQ(form->reportView().Text(), QStringLiteral("+--+\r\n|A|\r\n+-+Çß\r\n"));
    EXPECT_EQ(counter.text(), QStringLiteral("17 bytes received"));
    EXPECT_TRUE(counter.isVisible());
    expectIdle(true);

    download([&](const QString &text) {
        if (!text.contains(u'2'))
            terminal.writeAll("\n2 +-+ third");
        return text.endsWith(QStringLiteral("third"));
    });
    EXPECT_EQ(form->reportView().Text(), QStringLiteral("+--+\r\n|A|\r\n+-+Çß\r\n2 +-+ third"));
    download([&](const QString &text) {
        if (!text.contains(u'4'))
            terminal.writeAll("4");
        return text.endsWith(u'4');
    });
    EXPECT_EQ(form->reportView().Text(), QStringLiteral("+--+\r\n|A|\r\n+-+Çß\r\n2 +-+ third\r\n4"));

    form->reportView().setText(QStringLiteral("kept"));
    download([](const QString &) { return true; });
    EXPECT_EQ(form->reportView().Text(), QStringLiteral("kept"));
    EXPECT_EQ(counter.text(), QStringLiteral("0 bytes received"));
    expectIdle(true);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(DownloadTest, TextTheUserTypesDuringADownloadStaysAndNewTextGoesAtTheEnd)
{
    download([&](const QString &text) {
        if (text.isEmpty()) {
            terminal.writeAll("one\r\n");
        } else if (text == QStringLiteral("one\r\n")) {
            form->reportView().setText(QStringLiteral("edited\r\n"));
            terminal.writeAll("two");
        }
        return text.endsWith(QStringLiteral("two"));
    });
    EXPECT_EQ(form->reportView().Text(), QStringLiteral("edited\r\ntwo"));
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
    download([&](const QString &text) {
        if (text.isEmpty())
            terminal.writeAll("before the cable was pulled\r\n");
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
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("/dev/elvaro-no-such-device")));
    EXPECT_TRUE(idleWhenTold);
    expectIdle(false);
}

// A close request during a download asks; No keeps the window, its text and the download, Yes
// ends the download, closes the port and the window.
TEST_F(DownloadTest, ClosingTheWindowDuringADownloadAsksFirst)
{
    download([&](const QString &text) {
        if (text.isEmpty()) {
            terminal.writeAll("before\r\n");
        } else if (text == QStringLiteral("before\r\n")) {
            messages.answers = {false};
            EXPECT_FALSE(form->close());
            EXPECT_TRUE(form->isVisible());
            EXPECT_TRUE(form->InAcquisizione);
            terminal.writeAll("after");
        } else if (text == QStringLiteral("before\r\nafter")) {
            messages.answers = {true};
            EXPECT_TRUE(form->close());
        }
        return false; // Yes stops the download, not a Stop press
    });
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_TRUE(
        messages.shown[0].text.startsWith(QStringLiteral("A download is running. Stop it and close the window?")))
        << messages.shown[0].text.toStdString();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->InAcquisizione);
    EXPECT_FALSE(terminal.deviceIsOpen());
}

} // namespace
