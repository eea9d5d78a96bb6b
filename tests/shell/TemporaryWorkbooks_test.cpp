#include "export/Application.h"
#include "export/ExportTestSupport.h"
#include "export/FileError.h"
#include "shell/TemporaryWorkbooks.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>
#include <ostream>

#include <sys/stat.h>
#include <unistd.h>

using elvaro::shell::TemporaryWorkbooks;

namespace {

constexpr uid_t kAnotherUser = 65534;
constexpr mode_t kPrivateMode = 0700;
const QDateTime kTime(QDate(2026, 12, 6), QTime(11, 52, 3));

// Sets an environment variable for the span of a test, or removes it when `value` is empty.
class EnvironmentVariable {
public:
    EnvironmentVariable(const char *name, const QString &value)
        : m_name(name), m_before(qgetenv(name)), m_wasSet(qEnvironmentVariableIsSet(name))
    {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, QFile::encodeName(value));
    }
    ~EnvironmentVariable()
    {
        if (m_wasSet)
            qputenv(m_name, m_before);
        else
            qunsetenv(m_name);
    }
    EnvironmentVariable(const EnvironmentVariable &) = delete;
    EnvironmentVariable &operator=(const EnvironmentVariable &) = delete;

private:
    const char *m_name;
    QByteArray m_before;
    bool m_wasSet;
};

mode_t modeOf(const QString &path)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

// Each way the shared folder's name can be taken before the user's first export.
struct Blocker {
    const char *name;
    bool needsRoot;
    std::function<bool(const QString &folder, const QString &elsewhere)> block;
};
void PrintTo(const Blocker &blocker, std::ostream *out)
{
    *out << blocker.name;
}

bool makeFolder(const QString &folder, mode_t mode)
{
    return ::mkdir(QFile::encodeName(folder).constData(), mode) == 0
           && ::chmod(QFile::encodeName(folder).constData(), mode) == 0;
}

const Blocker kBlockers[] = {
    {"AnotherUsersFolder", true,
     [](const QString &folder, const QString &) {
         return makeFolder(folder, kPrivateMode)
                && ::chown(QFile::encodeName(folder).constData(), kAnotherUser, kAnotherUser) == 0;
     }},
    {"FolderOpenToEveryone", false, [](const QString &folder, const QString &) { return makeFolder(folder, 0777); }},
    {"LinkToAnotherFolder", false,
     [](const QString &folder, const QString &elsewhere) {
         return makeFolder(elsewhere, kPrivateMode) && QFile::link(elsewhere, folder);
     }},
};

// The user's folders all lie in one temporary folder: the shared temporary folder (TMPDIR), the
// runtime folder (XDG_RUNTIME_DIR, private as the session sets it up) and the cache folder
// (XDG_CACHE_HOME, not made yet).
class TemporaryWorkbooksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkdir(shared));
        ASSERT_TRUE(makeFolder(runtime, kPrivateMode));
        sheet.Cells().Item(1, 1).setValue("Temp");
        sheet.Cells().Item(1, 2).setValue("21.5");
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    QString save()
    {
        return TemporaryWorkbooks(TemporaryWorkbooks::defaultFolders())
            .save(application.Workbooks().Item(1), QStringLiteral("Downloaded"), kTime);
    }

    QTemporaryDir dir;
    QString shared = path(QStringLiteral("tmp"));
    QString runtime = path(QStringLiteral("run"));
    QString cache = path(QStringLiteral("cache"));
    EnvironmentVariable tmpdir{"TMPDIR", shared};
    EnvironmentVariable runtimeDir{"XDG_RUNTIME_DIR", runtime};
    EnvironmentVariable cacheHome{"XDG_CACHE_HOME", cache};
    QString sharedFolder = QDir(shared).filePath(QStringLiteral("elvaro-q3-%1").arg(::getuid()));
    elvaro::excel::Application application;
    elvaro::excel::Worksheet &sheet = application.Workbooks().Add().Sheets().Add();
    const elvaro::testing::Grid cells = {{"A1", "s \"Temp\""}, {"B1", "n 21.5"}};
};

TEST_F(TemporaryWorkbooksTest, TheSharedTemporaryFolderIsUsedWhileNobodyTookItsName)
{
    const QString saved = save();
    EXPECT_EQ(saved, QDir(sharedFolder).filePath(QStringLiteral("Downloaded 2026-12-06 11-52-03.xlsx")));
    EXPECT_EQ(modeOf(sharedFolder), kPrivateMode);
    EXPECT_EQ(elvaro::testing::readWorkbook(saved.toStdString()).cells, cells);
}

class SharedFolderTaken : public TemporaryWorkbooksTest, public ::testing::WithParamInterface<Blocker> {};

TEST_P(SharedFolderTaken, TheWorkbookGoesToTheUsersRuntimeFolder)
{
    if (GetParam().needsRoot && ::getuid() != 0)
        GTEST_SKIP() << "a folder of another user can only be made by root";
    const QString elsewhere = path(QStringLiteral("elsewhere"));
    ASSERT_TRUE(GetParam().block(sharedFolder, elsewhere));

    const QString saved = save();
    const QString folder = QDir(runtime).filePath(QStringLiteral("elvaro-q3"));
    EXPECT_EQ(saved, QDir(folder).filePath(QStringLiteral("Downloaded 2026-12-06 11-52-03.xlsx")));
    EXPECT_EQ(modeOf(folder), kPrivateMode);
    EXPECT_EQ(elvaro::testing::readWorkbook(saved.toStdString()).cells, cells);
    // Nothing went into the blocked folder, nor through the link.
    EXPECT_EQ(QDir(sharedFolder).entryList(QDir::Files), QStringList());
    EXPECT_EQ(QDir(elsewhere).entryList(QDir::Files), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Blockers, SharedFolderTaken, ::testing::ValuesIn(kBlockers),
                         [](const ::testing::TestParamInfo<Blocker> &info) { return info.param.name; });

TEST_F(TemporaryWorkbooksTest, WithoutARuntimeFolderTheWorkbookGoesToTheUsersCacheFolder)
{
    ASSERT_TRUE(makeFolder(sharedFolder, 0777));
    const EnvironmentVariable noRuntime("XDG_RUNTIME_DIR", QString());

    const QString saved = save();
    const QString folder = QDir(cache).filePath(QStringLiteral("elvaro-q3"));
    EXPECT_EQ(saved, QDir(folder).filePath(QStringLiteral("Downloaded 2026-12-06 11-52-03.xlsx")));
    EXPECT_EQ(modeOf(folder), kPrivateMode);
    EXPECT_EQ(elvaro::testing::readWorkbook(saved.toStdString()).cells, cells);
}

TEST_F(TemporaryWorkbooksTest, WhenNoFolderCanBeUsedEachOneIsNamedWithItsReason)
{
    const QString runtimeFolder = QDir(runtime).filePath(QStringLiteral("elvaro-q3"));
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
    } catch (const elvaro::excel::FileError &problem) {
        EXPECT_EQ(QString::fromStdString(problem.what()),
                  notPrivate.arg(sharedFolder) + u'\n' + notPrivate.arg(runtimeFolder) + u'\n'
                      + QStringLiteral("The folder %1/elvaro-q3 for exported workbooks cannot be created: Not a "
                                       "directory.")
                            .arg(cache));
    }
    EXPECT_EQ(QDir(sharedFolder).entryList(QDir::Files), QStringList());
    EXPECT_EQ(QDir(runtimeFolder).entryList(QDir::Files), QStringList());
}

TEST_F(TemporaryWorkbooksTest, OldWorkbooksGoFromEveryFolderAtALaterStart)
{
    const QString inShared = save();
    ASSERT_EQ(::chmod(QFile::encodeName(sharedFolder).constData(), 0777), 0);
    const QString inRuntime = save();
    ASSERT_TRUE(inRuntime.startsWith(runtime));
    ASSERT_EQ(::chmod(QFile::encodeName(sharedFolder).constData(), kPrivateMode), 0);

    const TemporaryWorkbooks workbooks(TemporaryWorkbooks::defaultFolders());
    EXPECT_EQ(workbooks.removeOlderThan(TemporaryWorkbooks::kKeptFor, QDateTime::currentDateTime()), 0);
    EXPECT_EQ(workbooks.removeOlderThan(TemporaryWorkbooks::kKeptFor, QDateTime::currentDateTime().addDays(2)), 2);
    EXPECT_FALSE(QFileInfo::exists(inShared));
    EXPECT_FALSE(QFileInfo::exists(inRuntime));
}

} // namespace
