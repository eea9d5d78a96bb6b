#include "export/Worksheet.h"
#include "shell/TemporaryWorkbooks.h"
#include "workbook/FileError.h"
#include "workbook/WorkbookTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

using elvaro::shell::TemporaryWorkbooks;

namespace {

constexpr mode_t kPrivateMode = 0700;
const QDateTime kTime(QDate(2026, 12, 6), QTime(11, 52, 3));
const QString kFirstName = QStringLiteral("Downloaded 2026-12-06 11-52-03.xlsx");

// Sets an environment variable for the span of a test, or removes it when `value` is empty.
class EnvironmentVariable {
public:
    EnvironmentVariable(const char *name, const QString &value) : m_name(name), m_before(qgetenv(name))
    {
        value.isEmpty() ? qunsetenv(name) : qputenv(name, QFile::encodeName(value));
    }
    ~EnvironmentVariable() { m_before.isNull() ? qunsetenv(m_name) : qputenv(m_name, m_before); }
    EnvironmentVariable(const EnvironmentVariable &) = delete;
    EnvironmentVariable &operator=(const EnvironmentVariable &) = delete;

private:
    const char *m_name;
    QByteArray m_before;
};

mode_t modeOf(const QString &path)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

bool makeFolder(const QString &folder, mode_t mode)
{
    return ::mkdir(QFile::encodeName(folder).constData(), mode) == 0
           && ::chmod(QFile::encodeName(folder).constData(), mode) == 0;
}

// The user's folders all lie in one temporary folder: the shared temporary folder (TMPDIR), the
// runtime folder (XDG_RUNTIME_DIR, private as the session sets it up) and the cache folder
// (XDG_CACHE_HOME, not made yet).
class TemporaryWorkbooksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkdir(shared));
        ASSERT_TRUE(makeFolder(runtime, kPrivateMode));
        sheet.setValue(1, 1, "Temp");
        sheet.setValue(1, 2, "21.5");
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    QString save() { return TemporaryWorkbooks(TemporaryWorkbooks::defaultFolders()).save(sheet, "Downloaded", kTime); }
    // The workbook was saved under the first name of the second in `folder`, made private.
    void expectSavedIn(const QString &saved, const QString &folder)
    {
        EXPECT_EQ(saved, QDir(folder).filePath(kFirstName));
        EXPECT_EQ(modeOf(folder), kPrivateMode);
        EXPECT_EQ(elvaro::testing::readWorkbook(saved.toStdString()).cells,
                  (elvaro::testing::Grid{{"A1", "s \"Temp\""}, {"B1", "n 21.5"}}));
    }

    QTemporaryDir dir;
    QString shared = path(QStringLiteral("tmp"));
    QString runtime = path(QStringLiteral("run"));
    QString cache = path(QStringLiteral("cache"));
    EnvironmentVariable tmpdir{"TMPDIR", shared};
    EnvironmentVariable runtimeDir{"XDG_RUNTIME_DIR", runtime};
    EnvironmentVariable cacheHome{"XDG_CACHE_HOME", cache};
    QString sharedFolder = QDir(shared).filePath(QStringLiteral("elvaro-q3-%1").arg(::getuid()));
    QString runtimeFolder = QDir(runtime).filePath(QStringLiteral("elvaro-q3"));
    elvaro::excel::Worksheet sheet{"Downloaded"};
};

// Saves of one second take new names, read-only; old workbooks go from every folder at a later start.
TEST_F(TemporaryWorkbooksTest, TheSharedFolderIsUsedWhileNobodyTookItsNameAndOldWorkbooksGoLater)
{
    expectSavedIn(save(), sharedFolder);
    EXPECT_EQ(QFileInfo(save()).fileName(), QStringLiteral("Downloaded 2026-12-06 11-52-03 (2).xlsx"));
    EXPECT_EQ(modeOf(QDir(sharedFolder).filePath(kFirstName)), S_IRUSR);
    ASSERT_EQ(::chmod(QFile::encodeName(sharedFolder).constData(), 0777), 0);
    const QString inRuntime = save();
    ASSERT_TRUE(inRuntime.startsWith(runtime));
    ASSERT_EQ(::chmod(QFile::encodeName(sharedFolder).constData(), kPrivateMode), 0);

    const TemporaryWorkbooks workbooks(TemporaryWorkbooks::defaultFolders());
    EXPECT_EQ(workbooks.removeOlderThan(TemporaryWorkbooks::kKeptFor, QDateTime::currentDateTime()), 0);
    EXPECT_EQ(workbooks.removeOlderThan(TemporaryWorkbooks::kKeptFor, QDateTime::currentDateTime().addDays(2)), 3);
    EXPECT_FALSE(QFileInfo::exists(inRuntime));
    EXPECT_EQ(QDir(sharedFolder).entryList(QDir::Files), QStringList());
}

// Each way the shared folder's name can be taken before the user's first export sends the
// workbook to the user's runtime folder, with nothing put into the blocked folder or through a link.
TEST_F(TemporaryWorkbooksTest, WhenTheSharedFolderIsTakenTheWorkbookGoesToTheUsersRuntimeFolder)
{
    const QString elsewhere = path(QStringLiteral("elsewhere"));
    const std::vector<std::function<bool()>> blockers{
        [&] {
            return ::getuid() != 0
                   || (makeFolder(sharedFolder, kPrivateMode)
                       && ::chown(QFile::encodeName(sharedFolder).constData(), 65534, 65534) == 0);
        },
        [&] { return makeFolder(sharedFolder, 0777); },
        [&] { return makeFolder(elsewhere, kPrivateMode) && QFile::link(elsewhere, sharedFolder); }};
    for (const auto &block : blockers) {
        ASSERT_TRUE(block());
        if (!QFileInfo::exists(sharedFolder))
            continue; // a folder of another user can only be made by root
        expectSavedIn(save(), runtimeFolder);
        EXPECT_EQ(QDir(sharedFolder).entryList(QDir::Files), QStringList());
        EXPECT_EQ(QDir(elsewhere).entryList(QDir::Files), QStringList());
        QFile::remove(sharedFolder) || QDir(sharedFolder).removeRecursively();
        QDir(runtimeFolder).removeRecursively();
    }

    // Without a runtime folder the workbook goes to the user's cache folder.
    ASSERT_TRUE(makeFolder(sharedFolder, 0777));
    const EnvironmentVariable noRuntime("XDG_RUNTIME_DIR", QString());
    expectSavedIn(save(), QDir(cache).filePath(QStringLiteral("elvaro-q3")));
}

TEST_F(TemporaryWorkbooksTest, WhenNoFolderCanBeUsedEachOneIsNamedWithItsReason)
{
    ASSERT_TRUE(makeFolder(sharedFolder, 0777));
    ASSERT_TRUE(makeFolder(runtimeFolder, 0755));
    // A file where the cache folder should be.
    QFile blocking(cache);
    ASSERT_TRUE(blocking.open(QIODevice::WriteOnly));
    blocking.close();

    const QString notPrivate = QStringLiteral("The folder %1 for exported workbooks is not private to you (it belongs "
                                              "to another user, is a link or others can open it). Remove it and "
                                              "export again.");
    try {
        save();
        ADD_FAILURE() << "the workbook was saved";
    } catch (const elvaro::workbook::FileError &problem) {
        EXPECT_EQ(QString::fromStdString(problem.what()),
                  notPrivate.arg(sharedFolder) + u'\n' + notPrivate.arg(runtimeFolder) + u'\n'
                      + QStringLiteral("The folder %1/elvaro-q3 for exported workbooks cannot be created: Not a "
                                       "directory.")
                            .arg(cache));
    }
    EXPECT_EQ(QDir(sharedFolder).entryList(QDir::Files), QStringList());
    EXPECT_EQ(QDir(runtimeFolder).entryList(QDir::Files), QStringList());
}

} // namespace
