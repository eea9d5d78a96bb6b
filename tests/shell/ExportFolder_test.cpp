#include "export/Application.h"
#include "export/ExportTesting.h"
#include "export/WorkbookError.h"
#include "shell/TemporaryWorkbooks.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

using elvaro::excel::WorkbookError;
using elvaro::shell::TemporaryWorkbooks;
namespace excel = elvaro::excel;

namespace {

const QDateTime kTime(QDate(2026, 12, 6), QTime(11, 52, 3));
const QString kStem = QStringLiteral("Downloaded 2026-12-06 11-52-03");

mode_t modeOf(const QString &path)
{
    struct stat status {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &status), 0) << path.toStdString();
    return status.st_mode & 07777;
}

void setAge(const QString &path, qint64 seconds)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-seconds), QFileDevice::FileModificationTime));
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

class ExportFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        excel::Worksheet &sheet = application.Workbooks().Add().Sheets().Add();
        sheet.setName("Downloaded");
        sheet.Cells().Item(1, 1).setValue("kept");
    }

    QString folder() const { return m_dir.filePath(QStringLiteral("workbooks")); }
    QString inFolder(const QString &name) const { return QDir(folder()).filePath(name); }
    QStringList files() const { return QDir(folder()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name); }
    const excel::Workbook &workbook() { return application.Workbooks().Item(1); }

    QTemporaryDir m_dir;
    excel::Application application;
    TemporaryWorkbooks workbooks{folder()};
};

TEST_F(ExportFolderTest, EachSaveTakesANewNameFromTheSheetAndTheTimeAndNeverReplacesAFile)
{
    ASSERT_TRUE(QDir().mkdir(folder()));
    ASSERT_EQ(::chmod(QFile::encodeName(folder()).constData(), 0700), 0);
    writeFile(inFolder(kStem + QStringLiteral(".xlsx")), "someone's work");

    const QString second = workbooks.save(workbook(), QStringLiteral("Downloaded"), kTime);
    const QString third = workbooks.save(workbook(), QStringLiteral("Downloaded"), kTime);

    EXPECT_EQ(second, inFolder(kStem + QStringLiteral(" (2).xlsx")));
    EXPECT_EQ(third, inFolder(kStem + QStringLiteral(" (3).xlsx")));
    QFile first(inFolder(kStem + QStringLiteral(".xlsx")));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), "someone's work");
    EXPECT_EQ(files().size(), 3);
    for (const QString &saved : {second, third}) {
        EXPECT_EQ(modeOf(saved), mode_t(S_IRUSR)) << saved.toStdString();
        EXPECT_EQ(elvaro::testing::readWorkbook(saved.toStdString()).cells,
                  (elvaro::testing::Grid{{"A1", "s \"kept\""}}));
    }
}

TEST_F(ExportFolderTest, AMissingFolderIsCreatedForItsOwnerOnly)
{
    const QString saved = workbooks.save(workbook(), QStringLiteral("Downloaded"), kTime);

    EXPECT_EQ(saved, inFolder(kStem + QStringLiteral(".xlsx")));
    EXPECT_EQ(modeOf(folder()), mode_t(S_IRWXU));
}

// A folder in the shared temporary folder that others could read or have put there is not used.
TEST_F(ExportFolderTest, AFolderThatIsNotPrivateIsRefusedAndLeftAlone)
{
    const QString privateFolder = m_dir.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkdir(privateFolder));
    ASSERT_EQ(::chmod(QFile::encodeName(privateFolder).constData(), 0700), 0);
    struct Case {
        const char *name;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"readable by others", [&] { ASSERT_TRUE(QDir().mkdir(folder())); ::chmod(QFile::encodeName(folder()).constData(), 0755); }},
        {"a link", [&] { ASSERT_TRUE(QFile::link(privateFolder, folder())); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.make();
        try {
            workbooks.save(workbook(), QStringLiteral("Downloaded"), kTime);
            ADD_FAILURE() << "saved into a folder that is not private";
        } catch (const WorkbookError &error) {
            EXPECT_EQ(std::string(error.what()),
                      "The folder " + folder().toStdString()
                          + " for exported workbooks is not private to you (it belongs to another user, is a link "
                            "or others can open it). Remove it and export again.");
        }
        EXPECT_TRUE(QDir(privateFolder).isEmpty());
        // Nor are its files removed, however old.
        const QString old = inFolder(QStringLiteral("old.xlsx"));
        writeFile(old, "old");
        EXPECT_EQ(workbooks.removeOlderThan(std::chrono::seconds(0), QDateTime::currentDateTime().addDays(1)), 0);
        EXPECT_TRUE(QFile::exists(old));
        QFile::remove(old);
        QFile::remove(folder()) || QDir(folder()).removeRecursively();
    }
}

TEST_F(ExportFolderTest, AWorkbookThatCannotBeWrittenLeavesNoFileBehind)
{
    excel::Application empty;
    empty.Workbooks().Add();

    try {
        workbooks.save(empty.Workbooks().Item(1), QStringLiteral("Downloaded"), kTime);
        ADD_FAILURE() << "a workbook without sheets was saved";
    } catch (const WorkbookError &error) {
        EXPECT_STREQ(error.what(), "the workbook has no sheet; add one before saving");
    }
    EXPECT_EQ(files(), QStringList());
}

TEST_F(ExportFolderTest, OnlyFilesOlderThanTheAgeAreRemovedAndLinksAreLeftAlone)
{
    const QString old = workbooks.save(workbook(), QStringLiteral("Downloaded"), kTime);
    const QString recent = workbooks.save(workbook(), QStringLiteral("Downloaded"), kTime);
    const QString leftover = inFolder(QStringLiteral(".Downloaded 2026-12-05.xlsx.Ab12Cd"));
    writeFile(leftover, "half written");
    const QString outside = m_dir.filePath(QStringLiteral("outside.xlsx"));
    writeFile(outside, "not ours");
    ASSERT_TRUE(QFile::link(outside, inFolder(QStringLiteral("link.xlsx"))));
    const qint64 twoDays = 2 * 24 * 3600;
    setAge(old, twoDays);
    setAge(leftover, twoDays);
    setAge(outside, twoDays);
    setAge(recent, 3600);

    EXPECT_EQ(workbooks.removeOlderThan(TemporaryWorkbooks::kKeptFor), 2);

    EXPECT_EQ(files(), (QStringList{QFileInfo(recent).fileName(), QStringLiteral("link.xlsx")}));
    EXPECT_TRUE(QFile::exists(outside));
}

} // namespace
