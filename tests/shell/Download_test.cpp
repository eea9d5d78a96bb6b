#include "ShellTestSupport.h"

using elvaro::serial::PortTable;
using elvaro::testing::bytes;

namespace {

// Drives DOWNLOAD against a real pseudo-terminal: the test plays the instrument on the master end
// while the download loop runs, and presses the button again (Stop) when it has seen enough.
class DownloadTest : public elvaro::shell::testing::WindowTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(terminal.open()) << terminal.errorString().toStdString();
        load(terminal.devicePath());
    }
    void load(const QString &device)
    {
        ports = PortTable::build({{1, device}}, {});
        form = std::make_unique<MainForm>(ports, messages, printDialog);
        form->Form_Load();
        form->setCom(QStringLiteral("1"));
        form->show();
    }
    QPushButton *button(const char *name) { return elvaro::shell::testing::button(*form, name); }
    QString text() const { return form->reportView().Text(); }

    // Runs one download. `step` is called inside the download loop once the port is open, after
    // every change of the view and at every blink of the lamp; it returns true to press Stop. A
    // download that gets nothing in ten seconds is stopped and fails the test.
    void download(const std::function<bool()> &step)
    {
        bool stopped = false;
        const auto stop = [&] {
            stopped = true;
            button("CmdAcquisisci")->click();
        };
        const auto next = [&] {
            if (!stopped && form->InAcquisizione && step())
                stop();
        };
        const auto changes = QObject::connect(&form->reportView(), &QPlainTextEdit::textChanged, next);
        const auto blinks = QObject::connect(&form->lampTimer(), &QTimer::timeout, next);
        QTimer::singleShot(0, next);
        QTimer safety;
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, [&] {
            ADD_FAILURE() << "the download did not get what it waited for";
            stop();
        });
        safety.start(10000);
        button("CmdAcquisisci")->click();
        QObject::disconnect(changes);
        QObject::disconnect(blinks);
    }

    // Caption, downloading, lamp shown, lamp blinking, PRINT, EXPORT, DELETE, QUIT enabled.
    QString state()
    {
        QString shown = button("CmdAcquisisci")->text();
        for (const bool on :
             {form->InAcquisizione, form->RichiestaStop, form->lamp().isVisible(), form->lampTimer().isActive(),
              button("CmdStampa")->isEnabled(), button("CmdEsporta")->isEnabled(), button("CmdDelete")->isEnabled(),
              button("CmdQuit")->isEnabled()})
            shown += on ? u'1' : u'0';
        return shown;
    }

    elvaro::serial::PseudoTerminal terminal;
    PortTable ports = PortTable::build({}, {});
    std::unique_ptr<MainForm> form;
};

const QString kIdleWithText = QStringLiteral("Download00001111");

// Line-drawing bytes arrive filtered; the counter shows the bytes while running and after Stop; a
// CR held at the end of a download meets the LF that opens the next; a report that did not end
// its last line is followed on a line of its own; a Stop before any byte leaves the view as it was.
TEST_F(DownloadTest, WhatArrivesIsShownFilteredCountedAndAppendedOnANewLine)
{
    const elvaro::shell::DownloadCounter &counter = form->byteCounter();
    EXPECT_FALSE(counter.isVisible()) << "nothing to count before the first download";
    download([&] {
        if (text().isEmpty()) {
            EXPECT_EQ(counter.text(), QStringLiteral("0 bytes received"));
            form->Timer1_Timer(); // the lamp lit when Stop comes goes out
            EXPECT_EQ(state(), "Stop10110000");
            EXPECT_TRUE(button("CmdInfo")->isEnabled());
            EXPECT_FALSE(form->reportFiles().openAction().isEnabled()) << "no report opens into a download";
            terminal.writeAll(bytes({218, 196, 196, 191, 13, 10, 179, 65, 179, 13, 10, 192, 196, 217, 128, 225, 13}));
        }
        return text().endsWith(QStringLiteral("Çß")) && counter.text().startsWith("17 bytes received, last ");
    });
    EXPECT_EQ(text(), QStringLiteral("+--+\r\n|A|\r\n+-+Çß\r\n"));
    EXPECT_EQ(counter.text(), QStringLiteral("17 bytes received"));
    EXPECT_TRUE(counter.isVisible());
    EXPECT_EQ(state(), kIdleWithText);

    for (const char *sent : {"\n2 +-+ third", "4"}) {
        const QString before = text();
        download([&] {
            if (text() == before)
                terminal.writeAll(sent);
            return text().endsWith(QString::fromUtf8(sent).back());
        });
    }
    EXPECT_EQ(text(), QStringLiteral("+--+\r\n|A|\r\n+-+Çß\r\n2 +-+ third\r\n4"));

    form->reportView().setText(QStringLiteral("kept"));
    download([] { return true; });
    EXPECT_EQ(text(), QStringLiteral("kept"));
    EXPECT_EQ(counter.text(), QStringLiteral("0 bytes received"));
    EXPECT_EQ(state(), kIdleWithText);
    EXPECT_EQ(messages.take(), QStringList());
}

// The line vanishing, or a port that cannot be opened, is told once everything received is shown
// and the window is idle again.
TEST_F(DownloadTest, ALineThatVanishesOrCannotBeOpenedIsToldWithTheWindowIdle)
{
    QString whenTold;
    messages.whenShown = [&] { whenTold = text() + state(); };
    download([&] {
        if (text().isEmpty())
            terminal.writeAll("before the cable was pulled\r\n");
        // Unread bytes go with the line when it hangs up, so it is pulled once they have been read.
        if (text().contains(QStringLiteral("pulled")))
            terminal.close();
        return false; // the failure ends the download, not a Stop press
    });
    EXPECT_EQ(whenTold, "before the cable was pulled\r\n" + kIdleWithText);
    EXPECT_EQ(messages.shown.value(0).icon, elvaro::shell::MessageBoxes::Icon::Critical);
    EXPECT_TRUE(messages.take().value(0).contains(terminal.devicePath()));
    EXPECT_EQ(state(), kIdleWithText);

    load(QStringLiteral("/dev/elvaro-no-such-device"));
    button("CmdAcquisisci")->click();
    EXPECT_EQ(whenTold, "Download00000001");
    const QStringList told = messages.take();
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(QStringLiteral("/dev/elvaro-no-such-device"))) << told[0].toStdString();
    EXPECT_EQ(state(), "Download00000001");
}

// Text the user types during a download stays and new text goes at its end. A close request
// during a download asks; No keeps the window, its text and the download, Yes ends the download,
// closes the port and the window.
TEST_F(DownloadTest, EditsDuringADownloadStayAndClosingTheWindowAsksFirst)
{
    download([&] {
        if (text().isEmpty()) {
            terminal.writeAll("before\r\n");
        } else if (text() == QStringLiteral("before\r\n")) {
            form->reportView().setText(QStringLiteral("edited\r\n"));
            messages.answers = {false};
            EXPECT_FALSE(form->close());
            EXPECT_TRUE(form->isVisible());
            EXPECT_TRUE(form->InAcquisizione);
            terminal.writeAll("after");
        } else if (text() == QStringLiteral("edited\r\nafter")) {
            messages.answers = {true};
            EXPECT_TRUE(form->close());
        }
        return false; // Yes stops the download, not a Stop press
    });
    const QStringList asked = messages.take();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_TRUE(asked[0].startsWith(QStringLiteral("A download is running. Stop it and close the window?")))
        << asked[0].toStdString();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->InAcquisizione);
    EXPECT_FALSE(terminal.deviceIsOpen());
}

} // namespace
