#include "ShellTestSupport.h"

#include "export/Application.h"
#include "shell/DesktopWorkbookOpener.h"
#include "shell/TemporaryWorkbooks.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace elvaro::shell;
namespace support = elvaro::shell::testing;

namespace {

class ExportDesktopTest : public ::testing::Test
{
protected:
    void SetUp() override { sheet.setName("Downloaded"); }

    // A stand-in for one of the desktop's programs on a PATH of its own: it records its
    // arguments, one a line, in PROGRAM.args.
    void install(const char *program)
    {
        QDir().mkpath(bin);
        QFile script(QDir(bin).filePath(QLatin1String(program)));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.part\" && /bin/mv \"$0.part\" \"$0.args\"\n");
        script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    }
    QByteArray recorded(const char *program) const
    {
        QFile file(QDir(bin).filePath(QLatin1String(program) + QStringLiteral(".args")));
        for (QDeadlineTimer started(10000); !file.exists() && !started.hasExpired();)
            QTest::qWait(20);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<not run>");
    }

    QApplication &app = support::application();
    QTemporaryDir dir;
    QString bin = dir.filePath(QStringLiteral("bin"));
    elvaro::excel::Application application;
    elvaro::excel::Worksheet &sheet = application.Workbooks().Add().Sheets().Add();
    TemporaryWorkbooks workbooks{dir.filePath(QStringLiteral("workbooks"))};
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
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin));
    DesktopWorkbookOpener opener;

    // No application at all; then the desktop's tools, with no application set for .xlsx files.
    EXPECT_FALSE(opener.open(QStringLiteral("/tmp/a.xlsx")));
    install("xdg-mime");
    EXPECT_FALSE(opener.open(QStringLiteral("/tmp/a.xlsx")));
    EXPECT_EQ(recorded("xdg-mime"), "query\ndefault\napplication/vnd.openxmlformats-officedocument.spreadsheetml.sheet\n");

    install("soffice");
    EXPECT_TRUE(opener.open(QStringLiteral("/tmp/a b.xlsx")));
    EXPECT_EQ(recorded("soffice"), "-n\n/tmp/a b.xlsx\n");
    qputenv("PATH", path);
}

} // namespace
