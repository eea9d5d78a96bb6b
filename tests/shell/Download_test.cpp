#include "ShellTestSupport.h"

#include "report/ByteFilter.h"
#include "serial/PortTable.h"
#include "serial/PseudoTerminal.h"
#include "shell/Colorful.h"
#include "shell/MainForm.h"
#include "shell/RichTextBox.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <random>
#include <string>
#include <thread>

using elvaro::serial::PortTable;
using elvaro::serial::PseudoTerminal;
using elvaro::shell::MainForm;
using elvaro::shell::MessageBoxes;
using elvaro::shell::testing::application;
using elvaro::shell::testing::PdfPrintDialog;
using elvaro::shell::testing::ScriptedMessageBoxes;

namespace {

std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (const int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

// The filtered form of received bytes as the view gives it back: a carriage return, a line feed
// or the pair each end one line, and lines are separated by carriage return and line feed.
QString asViewText(const std::string &received)
{
    const std::string text = elvaro::report::filterBytes(received);
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()) + 1024);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out += QStringLiteral("\r\n");
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += QLatin1Char(c);
        }
    }
    return out;
}

// Drives DOWNLOAD against a real pseudo-terminal: the test plays the instrument on the master end
// while the download loop runs, and presses the button again (Stop) when it has seen enough.
class DownloadTest : public ::testing::Test
{
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

    QPushButton *button(const char *name) { return form->findChild<QPushButton *>(QLatin1String(name)); }

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

    QApplication &m_application = application();
    QTemporaryDir m_dir;
    PseudoTerminal terminal;
    PortTable ports = PortTable::build({}, {});
    ScriptedMessageBoxes messages;
    PdfPrintDialog printDialog{m_dir.filePath(QStringLiteral("print.pdf"))};
    std::unique_ptr<MainForm> form;
};

TEST_F(DownloadTest, LineDrawingBytesArriveFilteredWithTheirLineEnds)
{
    bool sent = false;
    download([&](const QString &text) {
        if (!sent && terminal.deviceIsOpen()) {
            sent = terminal.writeAll(bytes({218, 196, 196, 191, 13, 10, 179, 65, 179, 13, 10, 192, 196, 217, 128, 225}));
            EXPECT_TRUE(button("CmdAcquisisci")->text() == QStringLiteral("Stop"));
            EXPECT_FALSE(button("CmdQuit")->isEnabled());
            EXPECT_FALSE(button("CmdEsporta")->isEnabled());
            EXPECT_TRUE(button("CmdInfo")->isEnabled());
        }
        return text.endsWith(QStringLiteral("++"));
    });
    EXPECT_EQ(form->reportView().Text(), QStringLiteral("+--+\r\n|A|\r\n+-+++"));
    EXPECT_TRUE(messages.shown.isEmpty());
    expectIdle(true);
}

TEST_F(DownloadTest, ASecondDownloadAppendsAndACarriageReturnMeetsItsLineFeedAcrossBursts)
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

TEST_F(DownloadTest, TheLineVanishingEndsTheDownloadWithOneMessageAndKeepsTheText)
{
    bool sent = false;
    download([&](const QString &text) {
        if (!sent && terminal.deviceIsOpen())
            sent = terminal.writeAll("before the cable was pulled\r\n");
        if (text.contains(QStringLiteral("pulled")))
            terminal.close();
        return false; // the failure ends the download, not a Stop press
    });
    EXPECT_EQ(form->reportView().Text(), QStringLiteral("before the cable was pulled\r\n"));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::Critical);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("/dev/pts/"))) << messages.shown[0].text.toStdString();
    expectIdle(true);
}

TEST_F(DownloadTest, APortThatCannotBeOpenedIsReportedAndTheWindowIsIdleAgain)
{
    ports = PortTable::build({{1, QStringLiteral("/dev/elvaro-no-such-device")}}, {});
    form = std::make_unique<MainForm>(ports, messages, printDialog);
    form->Form_Load();
    form->setCom(QStringLiteral("1"));
    button("CmdAcquisisci")->click();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("/dev/elvaro-no-such-device")))
        << messages.shown[0].text.toStdString();
    expectIdle(false);
}

TEST_F(DownloadTest, ClosingTheWindowEndsTheDownloadAndClosesThePort)
{
    download([&](const QString &) {
        if (terminal.deviceIsOpen())
            form->close();
        return false;
    });
    EXPECT_FALSE(form->InAcquisizione);
    EXPECT_FALSE(terminal.deviceIsOpen());
}

} // namespace
