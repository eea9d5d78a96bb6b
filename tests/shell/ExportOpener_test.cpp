#include "ShellTestSupport.h"

#include "shell/DesktopWorkbookOpener.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using elvaro::shell::DesktopWorkbookOpener;
using elvaro::shell::testing::application;

namespace {

// Stand-ins for the desktop's programs on a PATH of their own: each records its arguments, one a
// line, in a file named after it with ".args", and prints what it is given to print.
class DesktopOpenerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir().mkdir(bin()));
        m_savedPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin()));
        workbook = m_dir.filePath(QStringLiteral("Downloaded 2026-12-06 11-52-03.xlsx"));
    }

    void TearDown() override { qputenv("PATH", m_savedPath); }

    QString bin() const { return m_dir.filePath(QStringLiteral("bin")); }
    QString argsOf(const QString &program) const { return QDir(bin()).filePath(program + QStringLiteral(".args")); }

    void install(const QString &program, const QByteArray &output = QByteArray())
    {
        QFile script(QDir(bin()).filePath(program));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args.part\" && /bin/mv \"$0.args.part\" \"$0.args\"\n"
                     "printf '" + output + "'\n");
        script.close();
        ASSERT_TRUE(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    QByteArray recorded(const QString &program) const
    {
        QFile file(argsOf(program));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<not run>");
    }

    QApplication &m_application = application();
    QTemporaryDir m_dir;
    QByteArray m_savedPath;
    QString workbook;
    DesktopWorkbookOpener opener;
};

TEST_F(DesktopOpenerTest, LibreOfficeOpensTheFileAsANewUntitledDocument)
{
    install(QStringLiteral("soffice"));

    EXPECT_TRUE(opener.open(workbook));

    // The program runs on its own; its record appears once it has started.
    for (QDeadlineTimer started(10000); !QFile::exists(argsOf(QStringLiteral("soffice"))) && !started.hasExpired();)
        QTest::qWait(20);
    EXPECT_EQ(recorded(QStringLiteral("soffice")), "-n\n" + QFile::encodeName(workbook) + "\n");
}

TEST_F(DesktopOpenerTest, WithoutLibreOfficeOrADefaultApplicationNothingCanShowTheWorkbook)
{
    EXPECT_FALSE(opener.open(workbook));

    // The desktop's tools are there but no application is set for .xlsx files: the launcher,
    // which would find nothing to start, is not run.
    install(QStringLiteral("xdg-mime"));
    install(QStringLiteral("xdg-open"));
    EXPECT_FALSE(opener.open(workbook));
    EXPECT_EQ(recorded(QStringLiteral("xdg-mime")),
              "query\ndefault\napplication/vnd.openxmlformats-officedocument.spreadsheetml.sheet\n");
    EXPECT_EQ(recorded(QStringLiteral("xdg-open")), "<not run>");
}

// The person at the Save dialog types a name without suffix and presses Save, or cancels.
TEST_F(DesktopOpenerTest, TheSaveDialogAddsTheSuffixAndCancelGivesNothing)
{
    const QString typed = m_dir.filePath(QStringLiteral("report of monday"));
    const auto answer = [](const std::function<void(QFileDialog &)> &act) {
        QTimer::singleShot(0, [act] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "no Save dialog shown";
                return;
            }
            EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
            act(*dialog);
        });
    };

    answer([&](QFileDialog &dialog) {
        dialog.selectFile(typed);
        QMetaObject::invokeMethod(&dialog, "accept");
    });
    EXPECT_EQ(opener.askSaveFileName(QStringLiteral("Downloaded.xlsx")), typed + QStringLiteral(".xlsx"));

    answer([](QFileDialog &dialog) { dialog.reject(); });
    EXPECT_EQ(opener.askSaveFileName(QStringLiteral("Downloaded.xlsx")), QString());
}

} // namespace
