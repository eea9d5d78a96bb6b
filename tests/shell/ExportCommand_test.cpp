#include "ExportTestSupport.h"
#include "ShellTestSupport.h"

#include "serial/PortTable.h"
#include "shell/MainForm.h"
#include "shell/RichTextBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextCursor>

#include <sys/stat.h>

using elvaro::serial::PortTable;
using elvaro::shell::kAppTitle;
using elvaro::shell::kDebugTitle;
using elvaro::shell::MainForm;
using elvaro::shell::MessageBoxes;
using elvaro::shell::testing::application;
using elvaro::shell::testing::HookOpener;
using elvaro::shell::testing::PdfPrintDialog;
using elvaro::shell::testing::ScriptedMessageBoxes;
using elvaro::shell::testing::workbookCells;
using elvaro::testing::Grid;
using Icon = MessageBoxes::Icon;

namespace {

// The report of the worked example: a line of text, two boxes side by side, a last text line.
const QString kReport = QStringLiteral("REPORT    N. 12\r\n"
                                       "+-------+ +------+\r\n"
                                       "| Temp  | | 21.5 |\r\n"
                                       "+-------+ +------+\r\n"
                                       "OK   done\r\n");

const Grid kReportCells = {{"A1", "s \"REPORT\""}, {"B1", "s \"Temp\""}, {"C1", "s \"N. 12\""},
                           {"D1", "n 21.5"},       {"A3", "s \"OK\""},   {"B3", "s \"done\""}};

const QString kNoApplication = QStringLiteral("No spreadsheet application was found to show the workbook.");

struct Box {
    QString text;
    QString title;
    Icon icon = Icon::None;
    bool operator==(const Box &) const = default;
};

void PrintTo(const Box &box, std::ostream *out)
{
    *out << "{" << box.text.toStdString() << " | " << box.title.toStdString() << " | " << int(box.icon) << "}";
}

class ExportCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        form.Form_Load();
        form.setWorkbookOpener(opener, workbookFolder());
    }

    QString workbookFolder() const { return m_dir.filePath(QStringLiteral("workbooks")); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

    QStringList folderFiles() const
    {
        return QDir(workbookFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    void setReport(const QString &text, int selStart = 0, int selLength = 0)
    {
        form.reportView().setText(text);
        QTextCursor cursor(form.reportView().document());
        cursor.setPosition(selStart);
        cursor.setPosition(selStart + selLength, QTextCursor::KeepAnchor);
        form.reportView().setTextCursor(cursor);
    }

    QList<Box> boxes() const
    {
        QList<Box> result;
        for (const auto &shown : messages.shown)
            result.append({shown.text, shown.title, shown.icon});
        return result;
    }

    void pressExport()
    {
        QPushButton *button = form.findChild<QPushButton *>(QStringLiteral("CmdEsporta"));
        ASSERT_TRUE(button->isEnabled());
        button->click();
    }

    QApplication &m_application = application();
    QTemporaryDir m_dir;
    PortTable ports = PortTable::build({{1, QStringLiteral("/dev/pts/1")}}, {});
    ScriptedMessageBoxes messages;
    PdfPrintDialog printDialog{m_dir.filePath(QStringLiteral("print.pdf"))};
    HookOpener opener;
    MainForm form{ports, messages, printDialog};
};

struct ExportCase {
    const char *name;
    QString report;
    QString selected; // empty: nothing selected, the whole report goes
    Grid cells;
    QStringList debugMessages;
};

void PrintTo(const ExportCase &c, std::ostream *out)
{
    *out << c.name;
}

class ExportWhatIsShownOrSelected : public ExportCommandTest, public ::testing::WithParamInterface<ExportCase>
{
};

TEST_P(ExportWhatIsShownOrSelected, GoesToTheSheetDownloadedOfANewReadOnlyWorkbook)
{
    const ExportCase &c = GetParam();
    // The view counts one position for a line end.
    const QString lineFeeds = QString(c.report).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QString selectedLineFeeds = QString(c.selected).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const int selStart = c.selected.isEmpty() ? 0 : int(lineFeeds.indexOf(selectedLineFeeds));
    ASSERT_GE(selStart, 0);
    setReport(c.report, selStart, int(selectedLineFeeds.size()));

    pressExport();

    EXPECT_EQ(form.exportBuffer().Text(), c.selected.isEmpty() ? c.report : c.selected);
    QList<Box> expectedBoxes;
    for (const QString &text : c.debugMessages)
        expectedBoxes.append({text, kDebugTitle, Icon::Critical});
    EXPECT_EQ(boxes(), expectedBoxes);
    ASSERT_EQ(opener.opened.size(), 1);
    const QFileInfo shown(opener.opened.first());
    EXPECT_EQ(shown.absolutePath(), QFileInfo(workbookFolder()).absoluteFilePath());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Downloaded \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d\\.xlsx$"))
                    .match(shown.fileName())
                    .hasMatch())
        << shown.fileName().toStdString();
    EXPECT_EQ(shown.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther), QFile::Permissions());
    EXPECT_EQ(folderFiles(), QStringList{shown.fileName()});

    const elvaro::testing::Readback workbook = elvaro::testing::readWorkbook(shown.filePath().toStdString());
    EXPECT_EQ(workbook.records.at("sheets"), "[\"Downloaded\"]");
    EXPECT_EQ(workbook.cells, c.cells);
}

const QString kReportHead = kReport.left(kReport.indexOf(QStringLiteral("+-------+ +------+\r\nOK")));
const QString kFromTemp = kReport.mid(kReport.indexOf(QStringLiteral("Temp")));

INSTANTIATE_TEST_SUITE_P(
    Export, ExportWhatIsShownOrSelected,
    ::testing::Values(
        ExportCase{"WholeReport", kReport, QString(), kReportCells, {}},
        // The selection ends before the table's bottom border: the boxes are kept without it.
        ExportCase{"SelectionWithoutTheTableBottom",
                   kReport,
                   kReportHead,
                   {{"A1", "s \"REPORT\""}, {"B1", "s \"Temp\""}, {"C1", "s \"N. 12\""}, {"D1", "n 21.5"}},
                   {QStringLiteral("Errore in riga 3, fine casella non trovata"),
                    QStringLiteral("Errore in riga 3, fine casella non trovata")}},
        // The selection starts inside the first box: the rest of its line is text, and the
        // bottom borders become the tops of two boxes that the selection never closes.
        ExportCase{"SelectionFromInsideABox",
                   kReport,
                   kFromTemp,
                   {{"A1", "s \"Temp\""}, {"B1", "s \"K\""}, {"C1", "s \"| | 21.5 |\""}},
                   {QStringLiteral("Errore in riga 3, fine casella non trovata"),
                    QStringLiteral("Errore in riga 3, fine casella non trovata")}},
        // Characters typed into the view keep their columns and reach the workbook unchanged.
        ExportCase{"TypedAccentsAndSigns",
                   QStringLiteral("+------+ +----+\r\n| 25°C | | né |\r\n+------+ +----+\r\n"),
                   QString(),
                   {{"A1", "s \"25\\u00b0C\""}, {"B1", "s \"n\\u00e9\""}},
                   {}}),
    [](const ::testing::TestParamInfo<ExportCase> &info) { return info.param.name; });

TEST_F(ExportCommandTest, AnEmptyBufferGivesEmptyStringAndNoWorkbook)
{
    form.EsportaExcel();

    EXPECT_EQ(boxes(), (QList<Box>{{QStringLiteral("Empty String"), kDebugTitle, Icon::Critical}}));
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(workbookFolder()));
}

TEST_F(ExportCommandTest, TwoExportsGiveTwoIndependentWorkbooks)
{
    setReport(kReport);
    pressExport();
    ASSERT_EQ(opener.opened.size(), 1);
    QFile first(opener.opened.first());
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    const QByteArray firstBytes = first.readAll();
    first.close();

    setReport(QStringLiteral("second  report\r\n"));
    pressExport();

    ASSERT_EQ(opener.opened.size(), 2);
    EXPECT_NE(opener.opened[0], opener.opened[1]);
    EXPECT_EQ(folderFiles().size(), 2);
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), firstBytes);
    EXPECT_EQ(workbookCells(opener.opened[0]), kReportCells);
    EXPECT_EQ(workbookCells(opener.opened[1]), (Grid{{"A1", "s \"second\""}, {"B1", "s \"report\""}}));
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(ExportCommandTest, AnOverflowSaysWhatAndWhatToDoShowsNoWorkbookAndTheWindowGoesOn)
{
    setReport(QString(40000, u'x'));
    pressExport();

    ASSERT_EQ(messages.shown.size(), 1);
    const auto &box = messages.shown.first();
    EXPECT_EQ(box.title, kAppTitle);
    EXPECT_EQ(box.icon, Icon::Critical);
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("The report could not be exported.\n\nOverflow: the ")))
        << box.text.toStdString();
    EXPECT_TRUE(box.text.endsWith(QStringLiteral("\n\nThe report or the selected part is too large for the export. "
                                                 "Select a smaller part of it and press EXPORT again.")))
        << box.text.toStdString();
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_TRUE(folderFiles().isEmpty());

    setReport(kReport);
    pressExport();
    ASSERT_EQ(opener.opened.size(), 1);
    EXPECT_EQ(workbookCells(opener.opened.first()), kReportCells);
}

// Without a spreadsheet application the user is told so and chooses where to keep the workbook.
TEST_F(ExportCommandTest, WithoutAnApplicationTheWorkbookIsSavedWhereTheUserChooses)
{
    opener.canOpen = false;
    opener.saveAnswers = {file(QStringLiteral("missing/kept.xlsx")), file(QStringLiteral("kept.xlsx"))};
    setReport(kReport);

    pressExport();

    ASSERT_EQ(opener.opened.size(), 1);
    const QString copy = opener.opened.first();
    EXPECT_EQ(opener.suggestions, (QStringList{QStringLiteral("Downloaded.xlsx"), file(QStringLiteral("missing/kept.xlsx"))}));
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(boxes()[0], (Box{kNoApplication + QStringLiteral("\n\nChoose where to save it, then open it with a "
                                                               "spreadsheet application such as LibreOffice Calc. "
                                                               "Until then a read-only copy is kept for a day in:\n")
                                   + copy,
                               kAppTitle, Icon::Warning}));
    EXPECT_EQ(boxes()[1], (Box{QStringLiteral("The workbook could not be saved as %1.\n\n"
                                              "cannot create a file in the folder %2: No such file or directory\n\n"
                                              "Choose another folder or name.")
                                   .arg(file(QStringLiteral("missing/kept.xlsx")), file(QStringLiteral("missing"))),
                               kAppTitle, Icon::Critical}));
    EXPECT_EQ(workbookCells(file(QStringLiteral("kept.xlsx"))), kReportCells);
    EXPECT_EQ(workbookCells(copy), kReportCells);
}

TEST_F(ExportCommandTest, CancellingTheSaveDialogKeepsTheTemporaryCopyAndAsksNothingMore)
{
    opener.canOpen = false;
    opener.saveAnswers = {QString()};
    setReport(kReport);

    pressExport();

    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown.first().text.startsWith(kNoApplication));
    EXPECT_EQ(opener.suggestions.size(), 1);
    ASSERT_EQ(opener.opened.size(), 1);
    EXPECT_EQ(workbookCells(opener.opened.first()), kReportCells);
}

// A temporary folder that others can read is not used: the workbook is offered for saving instead.
TEST_F(ExportCommandTest, AnUnusableTemporaryFolderOffersTheSaveDialogInstead)
{
    ASSERT_TRUE(QDir().mkdir(workbookFolder()));
    ASSERT_EQ(::chmod(QFile::encodeName(workbookFolder()).constData(), 0755), 0);
    opener.saveAnswers = {file(QStringLiteral("kept.xlsx"))};
    setReport(kReport);

    pressExport();

    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_TRUE(folderFiles().isEmpty());
    EXPECT_EQ(boxes(), (QList<Box>{{QStringLiteral("The workbook could not be prepared for the spreadsheet application.\n\n"
                                                   "The folder %1 for exported workbooks is not private to you (it "
                                                   "belongs to another user, is a link or others can open it). Remove "
                                                   "it and export again.\n\n"
                                                   "Choose where to save the workbook instead; you can open it later "
                                                   "with a spreadsheet application.")
                                        .arg(workbookFolder()),
                                    kAppTitle, Icon::Warning}}));
    EXPECT_EQ(workbookCells(file(QStringLiteral("kept.xlsx"))), kReportCells);
}

} // namespace
