#include "ShellTestSupport.h"

#include "serial/PortTable.h"
#include "shell/DesktopWorkbookOpener.h"
#include "shell/MainForm.h"
#include "shell/RichTextBox.h"
#include "workbook/WorkbookTestSupport.h"

#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace elvaro::shell;

namespace {

constexpr int kWaitMs = 10000;

// A stand-in for one of the desktop's programs that says where it runs (PROGRAM.pid), waits until
// the test writes a line into its FIFO (PROGRAM.go), then does `ending`.
QByteArray waiting(const char *ending)
{
    return QByteArray("#!/bin/sh\necho $$ > \"$0.pid\"\nread line < \"$0.go\"\n") + ending + "\n";
}

// The desktop's programs in a folder of their own, the only one on PATH while the test runs.
class ExportDesktopTest : public elvaro::shell::testing::WindowTest {
protected:
    ExportDesktopTest() : m_savedPath(qgetenv("PATH"))
    {
        QDir().mkpath(bin);
        qputenv("PATH", QFile::encodeName(bin));
    }
    ~ExportDesktopTest() override { qputenv("PATH", m_savedPath); }

    void install(const char *program, const QByteArray &body)
    {
        QFile::remove(binFile(program, ".pid"));
        QFile::remove(binFile(program, ".go"));
        ASSERT_EQ(::mkfifo(QFile::encodeName(binFile(program, ".go")).constData(), 0600), 0);
        QFile script(binFile(program, ""));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        script.write(body);
        script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    }
    QString binFile(const char *program, const char *suffix) const
    {
        return QDir(bin).filePath(QLatin1String(program) + QLatin1String(suffix));
    }
    // The arguments a recording stand-in was given, one a line.
    QByteArray recorded(const char *program) const
    {
        QFile file(binFile(program, ".args"));
        return QTest::qWaitFor([&file] { return file.exists(); }, kWaitMs) && file.open(QIODevice::ReadOnly)
                   ? file.readAll()
                   : QByteArray("<not run>");
    }
    // The process id of a waiting stand-in, once it runs.
    pid_t started(const char *program) const
    {
        QFile pid(binFile(program, ".pid"));
        if (!QTest::qWaitFor([&pid] { return pid.size() > 0; }, kWaitMs) || !pid.open(QIODevice::ReadOnly))
            return 0;
        return pid.readAll().trimmed().toInt();
    }
    // Lets a waiting stand-in go on to its end.
    void release(const char *program) const
    {
        const int fifo = ::open(QFile::encodeName(binFile(program, ".go")).constData(), O_WRONLY | O_CLOEXEC);
        EXPECT_EQ(::write(fifo, "\n", 1), 1);
        ::close(fifo);
    }

    QString bin = file(QStringLiteral("bin"));
    QStringList reasons;
    WorkbookOpener::LateFailure note = [this](const QString &reason) { reasons.append(reason); };

private:
    QByteArray m_savedPath;
};

const QByteArray kRecorder = "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.part\" && /bin/mv \"$0.part\" \"$0.args\"\n";

TEST_F(ExportDesktopTest, LibreOfficeOpensAnUntitledCopyAndWithoutAnyApplicationOpenFails)
{
    DesktopWorkbookOpener opener;
    // No application at all; then the desktop's tools, with no application set for .xlsx files.
    EXPECT_FALSE(opener.open(QStringLiteral("/tmp/a.xlsx"), {}));
    install("xdg-mime", kRecorder);
    EXPECT_FALSE(opener.open(QStringLiteral("/tmp/a.xlsx"), {}));
    EXPECT_EQ(recorded("xdg-mime"),
              "query\ndefault\napplication/vnd.openxmlformats-officedocument.spreadsheetml.sheet\n");
    install("soffice", kRecorder);
    EXPECT_TRUE(opener.open(QStringLiteral("/tmp/a b.xlsx"), {}));
    EXPECT_EQ(recorded("soffice"), "-n\n/tmp/a b.xlsx\n");
}

// xdg-open and LibreOffice are watched, not waited for: open() returns while they still run, and
// a failure within the verdict window comes afterwards in their own words; an end after it says
// nothing.
TEST_F(ExportDesktopTest, AnOpenerThatFailsWithinTheVerdictWindowIsReportedAfterOpenReturns)
{
    const struct {
        const char *program;
        const char *ending;
        std::chrono::milliseconds window;
        std::optional<QString> reason;
    } cases[] = {
        {"xdg-open", "echo \"xdg-open: no method available for opening '$1'\" >&2\nexit 3", std::chrono::seconds(10),
         QStringLiteral("xdg-open ended with exit status 3: xdg-open: no method available for opening '/tmp/a.xlsx'")},
        {"xdg-open", "exit 4", std::chrono::seconds(10), QStringLiteral("xdg-open ended with exit status 4")},
        {"xdg-open", "kill -9 $$", std::chrono::seconds(10), QStringLiteral("xdg-open stopped unexpectedly")},
        {"xdg-open", "echo 'a warning on the way' >&2\nexit 0", std::chrono::seconds(10), std::nullopt},
        {"xdg-open", "exit 4", std::chrono::milliseconds(0), std::nullopt},
        {"soffice", "echo 'Unspecified Application Error' >&2\nexit 1", std::chrono::seconds(10),
         QStringLiteral("soffice ended with exit status 1: Unspecified Application Error")}};
    for (const auto &c : cases) {
        QFile::remove(binFile("soffice", ""));
        install(c.program, waiting(c.ending));
        reasons.clear();
        DesktopWorkbookOpener opener(nullptr, c.window);
        ASSERT_TRUE(opener.open(QStringLiteral("/tmp/a.xlsx"), note)) << c.ending;
        ASSERT_GT(started(c.program), 0) << c.ending;
        QCoreApplication::processEvents(); // a verdict window of 0 ms closes here
        EXPECT_EQ(opener.launchesRunning(), 1) << c.ending;
        release(c.program);
        EXPECT_TRUE(QTest::qWaitFor([&opener] { return opener.launchesRunning() == 0; }, kWaitMs)) << c.ending;
        // The watch is deleted later than it reports; let that happen too.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(reasons, c.reason ? QStringList{*c.reason} : QStringList()) << c.ending;
    }
}

// When the program ends, an xdg-open still running is stopped with it, while LibreOffice, which
// shows the user's workbook, is left running; neither is reported.
TEST_F(ExportDesktopTest, AnXdgOpenStillRunningStopsWithTheProgramLibreOfficeRunsOn)
{
    for (const auto &[program, runsOn] : {std::pair{"xdg-open", false}, std::pair{"soffice", true}}) {
        install(program, waiting("exit 0"));
        pid_t running = 0;
        {
            DesktopWorkbookOpener opener(nullptr, std::chrono::milliseconds(0));
            ASSERT_TRUE(opener.open(QStringLiteral("/tmp/a.xlsx"), note));
            running = started(program);
            ASSERT_GT(running, 0);
        }
        EXPECT_EQ(::kill(running, 0) == 0, runsOn) << program;
        if (runsOn)
            release(program);
    }
    EXPECT_TRUE(reasons.isEmpty());
}

// EXPORT with no LibreOffice and an .xlsx handler that fails: the message, then the real Save
// dialog, answered as a person would; the saved file holds the report's cells.
TEST_F(ExportDesktopTest, ExportWithAFailingHandlerShowsTheMessageAndTheSaveDialog)
{
    install("xdg-open", "#!/bin/sh\necho \"xdg-open: no method available for opening '$1'\" >&2\nexit 3\n");
    const elvaro::serial::PortTable ports = elvaro::serial::PortTable::build({}, {});
    MainForm form(ports, messages, printDialog);
    DesktopWorkbookOpener opener(&form);
    form.setWorkbookOpener(opener, file(QStringLiteral("workbooks")));
    form.Form_Load();
    form.show();
    form.reportView().setText(QStringLiteral("+------+ +----+\r\n| Temp | | 21 |\r\n+------+ +----+\r\n"));

    const QString saved = file(QStringLiteral("report.xlsx"));
    QString dialogTitle;
    QTimer person;
    QObject::connect(&person, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialogTitle = dialog->windowTitle();
        dialog->selectFile(saved);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    person.start(20);
    form.findChild<QPushButton *>(QStringLiteral("CmdEsporta"))->click();
    EXPECT_TRUE(messages.shown.isEmpty()) << "EXPORT returns before xdg-open has ended";

    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(saved); }, kWaitMs));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].text.startsWith(
        QStringLiteral("No spreadsheet application was found to show the workbook.\n\nxdg-open ended with exit "
                       "status 3: xdg-open: no method available for opening '%1")
            .arg(file(QStringLiteral("workbooks")))))
        << messages.shown[0].text.toStdString();
    EXPECT_EQ(dialogTitle, QStringLiteral("Save the workbook"));
    EXPECT_EQ(elvaro::testing::readWorkbook(saved.toStdString()).cells,
              (elvaro::testing::Grid{{"A1", "s \"Temp\""}, {"B1", "n 21"}}));
}

} // namespace
