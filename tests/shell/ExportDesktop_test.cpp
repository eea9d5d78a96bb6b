#include "ShellTestSupport.h"

#include "export/Application.h"
#include "export/ExportTestSupport.h"
#include "serial/PortTable.h"
#include "shell/DesktopWorkbookOpener.h"
#include "shell/MainForm.h"
#include "shell/RichTextBox.h"
#include "shell/TemporaryWorkbooks.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace elvaro::shell;
namespace support = elvaro::shell::testing;

namespace {

constexpr int kWaitMs = 10000;

// The desktop's programs on a PATH of their own while the test runs.
class OwnPath {
public:
    explicit OwnPath(const QString &bin) : m_saved(qgetenv("PATH")) { qputenv("PATH", QFile::encodeName(bin)); }
    ~OwnPath() { qputenv("PATH", m_saved); }
    OwnPath(const OwnPath &) = delete;
    OwnPath &operator=(const OwnPath &) = delete;

private:
    QByteArray m_saved;
};

// An xdg-open that says where it runs, waits until the test lets it go, then speaks and ends.
QByteArray launcher(const char *ending)
{
    return QByteArray("#!/bin/sh\necho $$ > \"$0.pid\"\nwhile [ ! -e \"$0.go\" ]; do /bin/sleep 0.02; done\n") + ending
           + "\n";
}

class ExportDesktopTest : public support::WindowTest {
protected:
    void SetUp() override { sheet.setName("Downloaded"); }

    void install(const char *program, const QByteArray &body)
    {
        QDir().mkpath(bin);
        QFile script(QDir(bin).filePath(QLatin1String(program)));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(body);
        script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    }
    // A stand-in for one of the desktop's programs that records its arguments, one a line, in
    // PROGRAM.args.
    void install(const char *program)
    {
        install(program, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.part\" && /bin/mv \"$0.part\" \"$0.args\"\n");
    }
    QString binFile(const QString &name) const { return QDir(bin).filePath(name); }
    QByteArray recorded(const char *program) const
    {
        QFile file(binFile(QLatin1String(program) + QStringLiteral(".args")));
        if (!QTest::qWaitFor([&file] { return file.exists(); }, kWaitMs))
            return "<not run>";
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<not run>");
    }
    // Lets the waiting xdg-open go on to its end.
    void release() const
    {
        QFile go(binFile(QStringLiteral("xdg-open.go")));
        EXPECT_TRUE(go.open(QIODevice::WriteOnly));
    }
    bool launcherStarted() const
    {
        return QTest::qWaitFor([this] { return QFileInfo(binFile(QStringLiteral("xdg-open.pid"))).size() > 0; },
                               kWaitMs);
    }

    QString bin = file(QStringLiteral("bin"));
    elvaro::excel::Application application;
    elvaro::excel::Worksheet &sheet = application.Workbooks().Add().Sheets().Add();
    TemporaryWorkbooks workbooks{file(QStringLiteral("workbooks"))};
};

TEST_F(ExportDesktopTest, SavesInTheSameSecondTakeNewNamesAndOldOnesGoAtALaterStart)
{
    const QDateTime time(QDate(2026, 12, 6), QTime(11, 52, 3));
    const QString first = workbooks.save(application.Workbooks().Item(1), QStringLiteral("Downloaded"), time);
    const QString second = workbooks.save(application.Workbooks().Item(1), QStringLiteral("Downloaded"), time);

    EXPECT_EQ(QFileInfo(first).fileName(), QStringLiteral("Downloaded 2026-12-06 11-52-03.xlsx"));
    EXPECT_EQ(QFileInfo(second).fileName(), QStringLiteral("Downloaded 2026-12-06 11-52-03 (2).xlsx"));
    EXPECT_EQ(QFile(workbooks.folder()).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QFile old(first);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    old.setFileTime(QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime);
    EXPECT_EQ(workbooks.removeOlderThan(TemporaryWorkbooks::kKeptFor), 1);
    EXPECT_EQ(QDir(workbooks.folder()).entryList(QDir::Files), QStringList{QFileInfo(second).fileName()});
}

TEST_F(ExportDesktopTest, LibreOfficeOpensAnUntitledCopyAndWithoutAnyApplicationOpenFails)
{
    const OwnPath path(bin);
    DesktopWorkbookOpener opener;

    // No application at all; then the desktop's tools, with no application set for .xlsx files.
    EXPECT_FALSE(opener.open(QStringLiteral("/tmp/a.xlsx"), {}));
    install("xdg-mime");
    EXPECT_FALSE(opener.open(QStringLiteral("/tmp/a.xlsx"), {}));
    EXPECT_EQ(recorded("xdg-mime"),
              "query\ndefault\napplication/vnd.openxmlformats-officedocument.spreadsheetml.sheet\n");

    install("soffice");
    EXPECT_TRUE(opener.open(QStringLiteral("/tmp/a b.xlsx"), {}));
    EXPECT_EQ(recorded("soffice"), "-n\n/tmp/a b.xlsx\n");
}

// xdg-open is watched, not waited for: open() returns while it still runs, and its failure comes
// afterwards with its own words.
TEST_F(ExportDesktopTest, AnXdgOpenThatFailsIsReportedAfterOpenReturnsOneThatSucceedsIsNot)
{
    struct Case {
        const char *name;
        const char *ending;
        std::optional<QString> reason;
    };
    const Case cases[] = {
        {"no application", "echo \"xdg-open: no method available for opening '$1'\" >&2\nexit 3",
         QStringLiteral("xdg-open ended with exit status 3: xdg-open: no method available for opening '/tmp/a.xlsx'")},
        {"application failed, silent", "exit 4", QStringLiteral("xdg-open ended with exit status 4")},
        {"killed", "kill -9 $$", QStringLiteral("xdg-open stopped unexpectedly")},
        {"shown", "echo 'a warning on the way' >&2\nexit 0", std::nullopt},
    };
    const OwnPath path(bin);
    for (const Case &c : cases) {
        QFile::remove(binFile(QStringLiteral("xdg-open.go")));
        QFile::remove(binFile(QStringLiteral("xdg-open.pid")));
        install("xdg-open", launcher(c.ending));
        DesktopWorkbookOpener opener;
        QStringList reasons;
        ASSERT_TRUE(opener.open(QStringLiteral("/tmp/a.xlsx"), [&reasons](const QString &reason) {
            reasons.append(reason);
        })) << c.name;
        ASSERT_TRUE(launcherStarted()) << c.name;
        EXPECT_EQ(opener.launchesRunning(), 1) << c.name;

        release();
        EXPECT_TRUE(QTest::qWaitFor([&opener] { return opener.launchesRunning() == 0; }, kWaitMs)) << c.name;
        // The watch is deleted later than it reports; let that happen too.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(reasons, c.reason ? QStringList{*c.reason} : QStringList()) << c.name;
    }
}

TEST_F(ExportDesktopTest, AnXdgOpenThatEndsAfterTheVerdictWindowIsNoVerdictAndOneStillRunningStopsWithTheProgram)
{
    const OwnPath path(bin);
    install("xdg-open", launcher("exit 4"));
    QStringList reasons;
    {
        DesktopWorkbookOpener opener(nullptr, std::chrono::milliseconds(50));
        ASSERT_TRUE(
            opener.open(QStringLiteral("/tmp/a.xlsx"), [&reasons](const QString &reason) { reasons.append(reason); }));
        ASSERT_TRUE(launcherStarted());
        QTest::qWait(150);
        release();
        EXPECT_TRUE(QTest::qWaitFor([&opener] { return opener.launchesRunning() == 0; }, kWaitMs));
        EXPECT_TRUE(reasons.isEmpty());
    }

    QFile::remove(binFile(QStringLiteral("xdg-open.go")));
    QFile::remove(binFile(QStringLiteral("xdg-open.pid")));
    pid_t running = 0;
    {
        DesktopWorkbookOpener opener;
        ASSERT_TRUE(
            opener.open(QStringLiteral("/tmp/a.xlsx"), [&reasons](const QString &reason) { reasons.append(reason); }));
        ASSERT_TRUE(launcherStarted());
        QFile pid(binFile(QStringLiteral("xdg-open.pid")));
        ASSERT_TRUE(pid.open(QIODevice::ReadOnly));
        running = pid.readAll().trimmed().toInt();
        ASSERT_GT(running, 0);
    }
    // Gone, and reaped: nothing of it is left running and nothing was reported.
    EXPECT_EQ(::kill(running, 0), -1);
    EXPECT_TRUE(reasons.isEmpty());
}

// LibreOffice that cannot show anything ends at once in failure: that is reported like a failing
// xdg-open. One that runs on as the instance showing the workbook is left running, also when the
// program ends.
TEST_F(ExportDesktopTest, ALibreOfficeThatFailsIsReportedOneThatRunsOnIsLeftRunning)
{
    const OwnPath path(bin);
    QStringList reasons;
    const auto note = [&reasons](const QString &reason) { reasons.append(reason); };
    install("soffice", "#!/bin/sh\necho 'Unspecified Application Error' >&2\nexit 1\n");
    {
        DesktopWorkbookOpener opener;
        ASSERT_TRUE(opener.open(QStringLiteral("/tmp/a.xlsx"), note));
        ASSERT_TRUE(QTest::qWaitFor([&reasons] { return !reasons.isEmpty(); }, kWaitMs));
        EXPECT_EQ(reasons,
                  QStringList{QStringLiteral("soffice ended with exit status 1: Unspecified Application Error")});
    }

    reasons.clear();
    install("soffice", "#!/bin/sh\necho $$ > \"$0.pid\"\nexec /bin/sleep 30\n");
    pid_t office = 0;
    {
        DesktopWorkbookOpener opener(nullptr, std::chrono::milliseconds(300));
        ASSERT_TRUE(opener.open(QStringLiteral("/tmp/a.xlsx"), note));
        QFile pid(binFile(QStringLiteral("soffice.pid")));
        ASSERT_TRUE(QTest::qWaitFor([&pid] { return pid.size() > 0; }, kWaitMs));
        ASSERT_TRUE(pid.open(QIODevice::ReadOnly));
        office = pid.readAll().trimmed().toInt();
        ASSERT_GT(office, 0);
        QTest::qWait(500);
        EXPECT_EQ(opener.launchesRunning(), 1);
    }
    EXPECT_EQ(::kill(office, 0), 0) << "LibreOffice was stopped";
    ::kill(office, SIGKILL);
    EXPECT_TRUE(reasons.isEmpty());
}

// EXPORT with no LibreOffice and an .xlsx handler that fails: the message, then the real Save
// dialog, answered as a person would; the saved file holds the report's cells.
TEST_F(ExportDesktopTest, ExportWithAFailingHandlerShowsTheMessageAndTheSaveDialog)
{
    const OwnPath path(bin);
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
