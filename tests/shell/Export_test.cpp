#include "ShellTestSupport.h"

#include "serial/PortTable.h"
#include "shell/MainForm.h"
#include "shell/RichTextBox.h"
#include "shell/WorkbookOpener.h"
#include "workbook/WorkbookTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextCursor>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace elvaro::shell;
using elvaro::testing::Grid;
using Icon = MessageBoxes::Icon;

namespace {

const QString kReport = QStringLiteral("REPORT    N. 12\r\n+-------+ +------+\r\n| Temp  | | 21.5 |\r\n"
                                       "+-------+ +------+\r\nOK   done\r\n");
const Grid kReportCells = {{"A1", "s \"REPORT\""}, {"B1", "s \"N. 12\""}, {"A2", "s \"Temp\""},
                           {"B2", "n 21.5"},       {"A4", "s \"OK\""},    {"B4", "s \"done\""}};

Grid cellsOf(const QString &path)
{
    return elvaro::testing::readWorkbook(path.toStdString()).cells;
}

QString notShown(const QString &said, const QString &path)
{
    return QStringLiteral("No spreadsheet application was found to show the workbook.\n\n%1Choose where to save "
                          "it, then open it with a spreadsheet application such as LibreOffice Calc. Until then a "
                          "read-only copy is kept for a day in:\n%2")
        .arg(said.isEmpty() ? QString() : said + QStringLiteral("\n\n"), path);
}

class ExportTest : public elvaro::shell::testing::WindowTest {
protected:
    void SetUp() override
    {
        form.Form_Load();
        form.setWorkbookOpener(opener, folder);
    }

    // Shows the report with `selected` (one position per line end, as the view counts) selected.
    void exportReport(const QString &report, const QString &selected = QString())
    {
        form.reportView().setText(report);
        const QString view = QString(report).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        const QString part = QString(selected).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QTextCursor cursor(form.reportView().document());
        cursor.setPosition(int(view.indexOf(part)));
        cursor.setPosition(int(view.indexOf(part) + part.size()), QTextCursor::KeepAnchor);
        form.reportView().setTextCursor(cursor);
        form.findChild<QPushButton *>(QStringLiteral("CmdEsporta"))->click();
    }

    // The Save dialog is answered with a folder that does not exist, then with kept.xlsx: the user
    // is told why the first failed, and the workbook lands in the second.
    void expectSavedOnSecondAnswer(qsizetype message)
    {
        ASSERT_EQ(messages.shown.size(), message + 1);
        EXPECT_EQ(messages.shown[message].text,
                  QStringLiteral("The workbook could not be saved as %1.\n\ncannot create a file in the folder %2: No "
                                 "such file or directory\n\nChoose another folder or name.")
                      .arg(file(QStringLiteral("missing/kept.xlsx")), file(QStringLiteral("missing"))));
        EXPECT_EQ(opener.suggestions,
                  (QStringList{QStringLiteral("Downloaded.xlsx"), file(QStringLiteral("missing/kept.xlsx"))}));
        EXPECT_EQ(cellsOf(file(QStringLiteral("kept.xlsx"))), kReportCells);
        EXPECT_TRUE(QFileInfo(file(QStringLiteral("kept.xlsx"))).permissions() & QFile::WriteOwner);
    }

    QStringList folderFiles() const { return QDir(folder).entryList(QDir::Files | QDir::Hidden); }
    QString folder = file(QStringLiteral("workbooks"));
    QStringList twoAnswers{file(QStringLiteral("missing/kept.xlsx")), file(QStringLiteral("kept.xlsx"))};
    elvaro::serial::PortTable ports = elvaro::serial::PortTable::build({}, {});
    elvaro::shell::testing::HookOpener opener;
    MainForm form{ports, messages, printDialog};
};

TEST_F(ExportTest, TheSelectionOrTheWholeReportGoesToTheSheetDownloadedOfANewReadOnlyWorkbook)
{
    const struct {
        QString report, selected;
        Grid cells;
        int missingBorders;
    } cases[] = {
        {kReport, QString(), kReportCells, 0},
        // A selection that ends inside the table: both boxes lack their bottom border.
        {kReport,
         kReport.left(kReport.indexOf(QStringLiteral("+-------+ +------+\r\nOK"))),
         {{"A1", "s \"REPORT\""}, {"B1", "s \"N. 12\""}, {"A2", "s \"Temp\""}, {"B2", "n 21.5"}},
         2},
        // Typed characters and pasted box drawing reach the workbook unchanged; none becomes "?".
        {QStringLiteral("╔══════╗ ┌──────┐ +----+\r\n║ 25°C ║ │ Ω 中  │ | né |\r\n╚══════╝ └──────┘ +----+\r\n"),
         QString(),
         {{"A1", "s \"25\\u00b0C\""}, {"B1", "s \"\\u03a9 \\u4e2d\""}, {"C1", "s \"n\\u00e9\""}},
         0}};
    form.EsportaExcel();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Empty String"));
    EXPECT_EQ(messages.shown[0].title, kDebugTitle);
    EXPECT_EQ(messages.shown[0].icon, Icon::Critical);
    EXPECT_TRUE(opener.opened.isEmpty());
    for (const auto &c : cases) {
        messages.shown.clear();
        exportReport(c.report, c.selected);
        EXPECT_EQ(form.exportBuffer().Text(), c.selected.isEmpty() ? c.report : c.selected);
        ASSERT_EQ(messages.shown.size(), c.missingBorders > 0 ? 1 : 0);
        if (c.missingBorders > 0) {
            EXPECT_EQ(messages.shown[0].text,
                      QStringList(c.missingBorders, QStringLiteral("Errore in riga 3, fine casella non trovata"))
                          .join(u'\n'));
            EXPECT_EQ(messages.shown[0].title, kDebugTitle);
        }
        const QFileInfo shown(opener.opened.constLast());
        EXPECT_TRUE(QRegularExpression(
                        QStringLiteral("^Downloaded \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d( \\(\\d\\))?\\.xlsx$"))
                        .match(shown.fileName())
                        .hasMatch())
            << shown.fileName().toStdString();
        EXPECT_EQ(shown.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther), 0);
        const elvaro::testing::Readback workbook = elvaro::testing::readWorkbook(shown.filePath().toStdString());
        EXPECT_EQ(workbook.records.at("sheets"), "[\"Downloaded\"]");
        EXPECT_EQ(workbook.cells, c.cells);
    }
    // Each export gave a workbook of its own.
    EXPECT_EQ(folderFiles().size(), std::size(cases));
}

// However many boxes lack their bottom border, one export shows one box: the first 20 messages as
// the parser words them, then how many more there are, the parser's own sum of the rest included.
TEST_F(ExportTest, ManyBoxesWithoutABottomBorderAreNamedInOneBoxTwentyAtMost)
{
    const QString perBox = QStringLiteral("Errore in riga 2, fine casella non trovata");
    for (const auto &[boxes, lastLine] :
         {std::pair{20, perBox},
          std::pair{21, QStringLiteral("1 more box without a bottom border is not listed here.")},
          std::pair{150, QStringLiteral("130 more boxes without a bottom border are not listed here.")}}) {
        messages.shown.clear();
        exportReport(QStringList(boxes, QStringLiteral("+--+")).join(u' ') + QStringLiteral("\r\n")
                     + QStringList(boxes, QStringLiteral("|AB|")).join(u' ') + QStringLiteral("\r\n"));
        ASSERT_EQ(messages.shown.size(), 1) << boxes;
        const QStringList lines = messages.shown[0].text.split(u'\n');
        EXPECT_EQ(lines.size(), boxes > 20 ? 21 : 20) << boxes;
        EXPECT_EQ(lines.mid(0, 20), QStringList(20, perBox)) << boxes;
        EXPECT_EQ(lines.constLast(), lastLine) << boxes;
    }
    EXPECT_EQ(opener.opened.size(), 3) << "the export goes on";
}

TEST_F(ExportTest, AnOverflowSaysWhatAndWhatToDoAndShowsNoWorkbook)
{
    exportReport(QString(40000, u'x'));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, kAppTitle);
    EXPECT_EQ(messages.shown[0].icon, Icon::Critical);
    EXPECT_TRUE(messages.shown[0].text.contains(QRegularExpression(
        QStringLiteral("^The report could not be exported.\n\nOverflow: line 1 of the report has more than 32,766 "
                       "characters.*\n\nThe report or the selected part is "
                       "too large for the export. Select a smaller part of it and press EXPORT again.$"))))
        << messages.shown[0].text.toStdString();
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_TRUE(folderFiles().isEmpty());
}

// Without an application the user is told so and saves the workbook; a failed write asks again.
TEST_F(ExportTest, WithoutAnApplicationTheWorkbookIsSavedWhereTheUserChooses)
{
    opener.canOpen = false;
    opener.saveAnswers = twoAnswers;
    exportReport(kReport);
    ASSERT_EQ(opener.opened.size(), 1);
    EXPECT_EQ(messages.shown.value(0).text, notShown(QString(), opener.opened[0]));
    EXPECT_EQ(messages.shown.value(0).icon, Icon::Warning);
    expectSavedOnSecondAnswer(1);
    EXPECT_EQ(cellsOf(opener.opened[0]), kReportCells);
}

// The application fails after EXPORT has returned: the same message, with what the launcher said,
// then the Save dialog, which saves a copy of the workbook's file that the user can change; when
// that file is gone meanwhile, the user is told and asked again.
TEST_F(ExportTest, AnApplicationThatFailsLaterIsToldAndTheWorkbookOfferedForSaving)
{
    exportReport(kReport);
    exportReport(kReport);
    ASSERT_EQ(opener.lateFailures.size(), 2);
    EXPECT_TRUE(messages.shown.isEmpty());
    opener.saveAnswers = twoAnswers;
    opener.lateFailures[0](QStringLiteral("xdg-open ended with exit status 4: no application"));
    EXPECT_EQ(messages.shown.value(0).text,
              notShown(QStringLiteral("xdg-open ended with exit status 4: no application"), opener.opened[0]));
    expectSavedOnSecondAnswer(1);

    messages.shown.clear();
    ASSERT_TRUE(QFile::setPermissions(opener.opened[1], QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_TRUE(QFile::remove(opener.opened[1]));
    opener.saveAnswers = {file(QStringLiteral("again.xlsx"))};
    opener.lateFailures[1](QStringLiteral("xdg-open stopped unexpectedly"));
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_TRUE(messages.shown[1].text.startsWith(
        QStringLiteral("The workbook could not be saved as %1.\n\nthe exported workbook %2 cannot be read: ")
            .arg(file(QStringLiteral("again.xlsx")), opener.opened[1])))
        << messages.shown[1].text.toStdString();
    EXPECT_EQ(opener.suggestions.size(), 4) << "the Save dialog is offered again";
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("again.xlsx"))));
}

// A temporary folder that others can open is not used, nor one whose disk refuses the workbook
// (here a file-size limit): the user is told why and offered the Save dialog, and no temporary
// file is left behind.
TEST_F(ExportTest, AFolderThatIsNotPrivateOrCannotTakeTheWorkbookIsNotUsed)
{
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
    opener.saveAnswers = {file(QStringLiteral("kept.xlsx"))};
    exportReport(kReport);
    const QString prepared = QStringLiteral("The workbook could not be prepared for the spreadsheet application.\n\n");
    const QString instead = QStringLiteral("\n\nChoose where to save the workbook instead; you can open it later "
                                           "with a spreadsheet application.");
    EXPECT_EQ(messages.shown.value(0).text,
              prepared
                  + QStringLiteral("The folder %1 for exported workbooks is not private to you (it belongs to another "
                                   "user, is a link or others can open it). Remove it and export again.")
                        .arg(folder)
                  + instead);
    EXPECT_EQ(cellsOf(file(QStringLiteral("kept.xlsx"))), kReportCells);

    messages.shown.clear();
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0700), 0);
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit small{4096, limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    exportReport(kReport);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_EQ(messages.shown.value(0).text,
              prepared
                  + QStringLiteral("cannot write the workbook: writing the file failed; the disk may be full, or the "
                                   "file larger than the file-size limit of 4096 bytes (ulimit -f). Free some space "
                                   "or raise the limit, then try again")
                  + instead);
    EXPECT_EQ(opener.opened.size(), 0);
    EXPECT_TRUE(folderFiles().isEmpty()) << folderFiles().join(u' ').toStdString();
    EXPECT_TRUE(QDir(folder).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

} // namespace
