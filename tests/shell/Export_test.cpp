#include "ShellTestSupport.h"

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

mode_t modeOf(const QString &path)
{
    return elvaro::testing::modeOf(QFile::encodeName(path).toStdString());
}

bool makeFolder(const QString &folder, mode_t mode)
{
    return ::mkdir(QFile::encodeName(folder).constData(), mode) == 0
           && ::chmod(QFile::encodeName(folder).constData(), mode) == 0;
}

const QString kNotPrivate = QStringLiteral("The folder %1 for exported workbooks is not private to you (it belongs to "
                                           "another user, is a link or others can open it). Remove it and export "
                                           "again.");

QString notShown(const QString &said, const QString &path)
{
    return QStringLiteral("No spreadsheet application was found to show the workbook.\n\n%1Choose where to save "
                          "it, then open it with a spreadsheet application such as LibreOffice Calc. Until then a "
                          "read-only copy is kept for a day in:\n%2")
        .arg(said.isEmpty() ? QString() : said + QStringLiteral("\n\n"), path);
}

// The main window, with the user's folders (TMPDIR, XDG_RUNTIME_DIR private as the session makes
// it, XDG_CACHE_HOME not made yet) and on demand the desktop's programs (PATH) in the test's folder.
class ExportTest : public elvaro::shell::testing::FormTest {
protected:
    ExportTest()
    {
        for (const auto &[name, value] : {std::pair{"TMPDIR", shared}, std::pair{"XDG_RUNTIME_DIR", runtime},
                                          std::pair{"XDG_CACHE_HOME", file(QStringLiteral("cache"))}})
            setEnv(name, value);
        QDir().mkdir(shared);
        makeFolder(runtime, 0700);
        sheet.setValue(1, 1, "Temp");
        sheet.setValue(1, 2, "21.5");
    }
    ~ExportTest() override
    {
        for (auto saved = m_savedEnv.crbegin(); saved != m_savedEnv.crend(); ++saved)
            saved->second.isNull() ? qunsetenv(saved->first) : qputenv(saved->first, saved->second);
    }
    void setEnv(const char *name, const QString &value)
    {
        m_savedEnv.append({name, qgetenv(name)});
        qputenv(name, QFile::encodeName(value));
    }

    // Shows the report with `selected` selected and presses EXPORT.
    void exportReport(const QString &report, const QString &selected = QString())
    {
        const auto inView = [](QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); };
        const int from = int(inView(report).indexOf(inView(selected)));
        setReport(report, from, from + int(inView(selected).size()));
        button("CmdEsporta")->click();
    }
    // The Save dialog is answered with a folder that does not exist, then with kept.xlsx: the user
    // is told why the first failed, and the workbook lands in the second, writable.
    void expectSavedOnSecondAnswer(const QString &toldFirst)
    {
        EXPECT_EQ(messages.shown.value(0).icon, Icon::Warning);
        const QStringList told = messages.take();
        ASSERT_EQ(told.size(), 2);
        EXPECT_EQ(told[0], toldFirst);
        EXPECT_TRUE(
            told[1].startsWith("The workbook could not be saved as " + twoAnswers[0] + ".\n\ncannot create a file"));
        EXPECT_TRUE(told[1].endsWith(QStringLiteral("\n\nChoose another folder or name."))) << told[1].toStdString();
        EXPECT_EQ(opener.suggestions.mid(opener.suggestions.size() - 2),
                  (QStringList{"Downloaded.xlsx", twoAnswers[0]}));
        EXPECT_EQ(cellsOf(twoAnswers[1]), kReportCells);
        EXPECT_TRUE(QFileInfo(twoAnswers[1]).permissions() & QFile::WriteOwner);
    }
    QStringList filesIn(const QString &folder) const { return QDir(folder).entryList(QDir::Files | QDir::Hidden); }

    QString save() { return TemporaryWorkbooks(TemporaryWorkbooks::defaultFolders()).save(sheet, "Downloaded", kTime); }
    // The workbook was saved under its first name in `folder`, made private.
    void expectSavedIn(const QString &saved, const QString &folder)
    {
        EXPECT_EQ(saved, QDir(folder).filePath(QStringLiteral("Downloaded 2026-12-06 11-52-03.xlsx")));
        EXPECT_EQ(modeOf(folder), 0700);
        EXPECT_EQ(cellsOf(saved), (Grid{{"A1", "s \"Temp\""}, {"B1", "n 21.5"}}));
    }

    // Puts a stand-in for `program` alone on PATH: it says where it runs (PROGRAM.pid), waits until
    // the test writes a line into its FIFO (PROGRAM.go), then does its `ending`.
    void install(const char *program, const QByteArray &ending)
    {
        QDir().mkpath(bin);
        if (qgetenv("PATH") != QFile::encodeName(bin))
            setEnv("PATH", bin);
        for (const char *suffix : {"", ".pid", ".go"})
            QFile::remove(binFile(program, suffix));
        ASSERT_EQ(::mkfifo(QFile::encodeName(binFile(program, ".go")).constData(), 0600), 0);
        QFile script(binFile(program, ""));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho $$ > \"$0.pid\"\nread line < \"$0.go\"\n" + ending + "\n");
        script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    }
    QString binFile(const char *program, const char *suffix) const
    {
        return QDir(bin).filePath(QLatin1String(program) + QLatin1String(suffix));
    }
    // Where the stand-in runs, once it has said so; 0 when it did not.
    pid_t started(const char *program) const
    {
        QFile file(binFile(program, ".pid"));
        return QTest::qWaitFor([&file] { return file.size() > 0; }, kWaitMs) && file.open(QIODevice::ReadOnly)
                   ? file.readAll().trimmed().toInt()
                   : 0;
    }
    // Lets a waiting stand-in go on to its end.
    void release(const char *program) const
    {
        const int fifo = ::open(QFile::encodeName(binFile(program, ".go")).constData(), O_WRONLY | O_CLOEXEC);
        EXPECT_EQ(::write(fifo, "\n", 1), 1);
        ::close(fifo);
    }

    static constexpr int kWaitMs = 10000;
    QString folder = file(QStringLiteral("workbooks")), bin = file(QStringLiteral("bin"));
    QStringList twoAnswers{file(QStringLiteral("missing/kept.xlsx")), file(QStringLiteral("kept.xlsx"))};
    const QDateTime kTime{QDate(2026, 12, 6), QTime(11, 52, 3)};
    QString shared = file(QStringLiteral("tmp")), runtime = file(QStringLiteral("run"));
    QString sharedFolder = QDir(shared).filePath(QStringLiteral("elvaro-q3-%1").arg(::getuid()));
    QString runtimeFolder = QDir(runtime).filePath(QStringLiteral("elvaro-q3"));
    elvaro::excel::Worksheet sheet{"Downloaded"};
    QStringList reasons;
    WorkbookOpener::LateFailure note = [this](const QString &reason) { reasons.append(reason); };

private:
    QList<std::pair<const char *, QByteArray>> m_savedEnv;
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
    EXPECT_EQ(messages.take(kDebugTitle, Icon::Critical), QStringList{"Empty String"});
    EXPECT_TRUE(opener.opened.isEmpty());
    for (const auto &c : cases) {
        exportReport(c.report, c.selected);
        EXPECT_EQ(form.exportBuffer().Text(), c.selected.isEmpty() ? c.report : c.selected);
        EXPECT_EQ(messages.take(kDebugTitle, Icon::Critical),
                  c.missingBorders ? QStringList{QStringList(c.missingBorders, QStringLiteral("Errore in riga 3, fine "
                                                                                              "casella non trovata"))
                                                     .join(u'\n')}
                                   : QStringList());
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
    EXPECT_EQ(filesIn(folder).size(), std::size(cases)) << "each export gave a workbook of its own";
}

// However many boxes lack their bottom border, one export shows one box: the first 20 messages as
// the parser words them, then how many more there are; the export goes on. Too long a line is
// told with what to do (the parser's reason in the middle is checked with the parser), and shows
// no workbook.
TEST_F(ExportTest, MissingBordersAreNamedTwentyAtMostAndAnOverflowSaysWhatToDo)
{
    const QString perBox = QStringLiteral("Errore in riga 2, fine casella non trovata");
    for (const auto &[boxes, lastLine] :
         {std::pair{20, perBox},
          std::pair{21, QStringLiteral("1 more box without a bottom border is not listed here.")},
          std::pair{150, QStringLiteral("130 more boxes without a bottom border are not listed here.")}}) {
        exportReport(QStringList(boxes, QStringLiteral("+--+")).join(u' ') + QStringLiteral("\r\n")
                     + QStringList(boxes, QStringLiteral("|AB|")).join(u' ') + QStringLiteral("\r\n"));
        EXPECT_EQ(messages.take(),
                  QStringList{(QStringList(20, perBox) << lastLine).mid(0, boxes > 20 ? 21 : 20).join(u'\n')});
    }
    exportReport(QString(40000, u'x'));
    const QStringList told = messages.take(kAppTitle, Icon::Critical);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(
        told[0].startsWith("The report could not be exported.\n\nOverflow: line 1 of the report has more than"));
    EXPECT_TRUE(told[0].endsWith("too large for the export. Select a smaller part of it and press EXPORT again."));
    EXPECT_EQ(opener.opened.size(), 3);
    EXPECT_EQ(filesIn(folder).size(), 3);
}

// Without an application the user is told so and saves the workbook; a failed write asks again.
// The application that fails after EXPORT has returned: the same message, with what the launcher
// said, then the Save dialog, which saves a copy that the user can change.
TEST_F(ExportTest, WithoutAnApplicationNowOrLaterTheWorkbookIsSavedWhereTheUserChooses)
{
    opener.canOpen = false;
    opener.saveAnswers = twoAnswers;
    exportReport(kReport);
    ASSERT_EQ(opener.opened.size(), 1);
    expectSavedOnSecondAnswer(notShown(QString(), opener.opened[0]));
    EXPECT_EQ(cellsOf(opener.opened[0]), kReportCells);

    opener.canOpen = true;
    QFile::remove(file(QStringLiteral("kept.xlsx")));
    exportReport(kReport);
    EXPECT_EQ(messages.take(), QStringList());
    opener.saveAnswers = twoAnswers;
    opener.lateFailures[1](QStringLiteral("xdg-open ended with exit status 4: no application"));
    expectSavedOnSecondAnswer(
        notShown(QStringLiteral("xdg-open ended with exit status 4: no application"), opener.opened[1]));
}

// A temporary folder that others can open is not used, nor one whose disk refuses the workbook
// (here a file-size limit): the user is told why and offered the Save dialog, and no temporary
// file is left behind.
TEST_F(ExportTest, AFolderThatIsNotPrivateOrCannotTakeTheWorkbookIsNotUsed)
{
    ASSERT_TRUE(makeFolder(folder, 0755));
    opener.saveAnswers = {file(QStringLiteral("kept.xlsx"))};
    exportReport(kReport);
    const QString prepared = QStringLiteral("The workbook could not be prepared for the spreadsheet application.\n\n");
    const QString instead = QStringLiteral("\n\nChoose where to save the workbook instead; you can open it later "
                                           "with a spreadsheet application.");
    EXPECT_EQ(messages.take(), QStringList{prepared + kNotPrivate.arg(folder) + instead});
    EXPECT_EQ(cellsOf(file(QStringLiteral("kept.xlsx"))), kReportCells);

    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0700), 0);
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit small{4096, limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    exportReport(kReport);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    // The reason in the middle is the file layer's own (tested with it).
    const QStringList told = messages.take();
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith(prepared + "cannot write the workbook: writing the file failed;"))
        << told[0].toStdString();
    EXPECT_TRUE(told[0].endsWith("limit of 4096 bytes (ulimit -f). Free some space or raise the limit, then try again"
                                 + instead));
    EXPECT_EQ(opener.opened.size(), 0);
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

// Saves of one second take new names, read-only; old workbooks go from every folder at a later start.
TEST_F(ExportTest, TheSharedFolderIsUsedWhileNobodyTookItsNameAndOldWorkbooksGoLater)
{
    expectSavedIn(save(), sharedFolder);
    EXPECT_EQ(QFileInfo(save()).fileName(), QStringLiteral("Downloaded 2026-12-06 11-52-03 (2).xlsx"));
    EXPECT_EQ(modeOf(QDir(sharedFolder).filePath(QStringLiteral("Downloaded 2026-12-06 11-52-03.xlsx"))), S_IRUSR);
    ASSERT_EQ(::chmod(QFile::encodeName(sharedFolder).constData(), 0777), 0);
    const QString inRuntime = save();
    ASSERT_TRUE(inRuntime.startsWith(runtime));
    ASSERT_EQ(::chmod(QFile::encodeName(sharedFolder).constData(), 0700), 0);

    const TemporaryWorkbooks workbooks(TemporaryWorkbooks::defaultFolders());
    EXPECT_EQ(workbooks.removeOlderThan(TemporaryWorkbooks::kKeptFor, QDateTime::currentDateTime()), 0);
    EXPECT_EQ(workbooks.removeOlderThan(TemporaryWorkbooks::kKeptFor, QDateTime::currentDateTime().addDays(2)), 3);
    EXPECT_FALSE(QFileInfo::exists(inRuntime));
    EXPECT_EQ(filesIn(sharedFolder), QStringList());
}

// Each way the shared folder's name can be taken before the user's first export sends the
// workbook to the user's runtime folder, with nothing put into the blocked folder or through a
// link; without a runtime folder it goes to the cache folder.
TEST_F(ExportTest, WhenTheSharedFolderIsTakenTheWorkbookGoesToTheUsersRuntimeOrCacheFolder)
{
    const QString elsewhere = file(QStringLiteral("elsewhere"));
    const std::function<bool()> blockers[] = {
        [&] {
            return ::getuid() != 0
                   || (makeFolder(sharedFolder, 0700)
                       && ::chown(QFile::encodeName(sharedFolder).constData(), 65534, 65534) == 0);
        },
        [&] { return makeFolder(sharedFolder, 0777); },
        [&] { return makeFolder(elsewhere, 0700) && QFile::link(elsewhere, sharedFolder); }};
    for (const auto &block : blockers) {
        ASSERT_TRUE(block());
        if (!QFileInfo::exists(sharedFolder))
            continue; // a folder of another user can only be made by root
        expectSavedIn(save(), runtimeFolder);
        EXPECT_EQ(filesIn(sharedFolder) + filesIn(elsewhere), QStringList());
        QFile::remove(sharedFolder) || QDir(sharedFolder).removeRecursively();
        QDir(runtimeFolder).removeRecursively();
    }
    ASSERT_TRUE(makeFolder(sharedFolder, 0777));
    qunsetenv("XDG_RUNTIME_DIR");
    expectSavedIn(save(), file(QStringLiteral("cache/elvaro-q3")));
}

// xdg-open is watched, not waited for: open() returns while it still runs, a failure within the
// verdict window comes afterwards in its own words, an end after the window says nothing, and one
// still running when the program ends is stopped with it.
TEST_F(ExportTest, XdgOpenIsWatchedItsFailureIsToldAfterOpenReturnsAndItStopsWithTheProgram)
{
    using std::chrono::milliseconds;
    const std::tuple<const char *, milliseconds, QStringList> cases[] = {
        {"echo \"xdg-open: no method available for opening '$1'\" >&2\nexit 3",
         milliseconds(kWaitMs),
         {"xdg-open ended with exit status 3: xdg-open: no method available for opening '/tmp/a.xlsx'"}},
        {"kill -9 $$", milliseconds(kWaitMs), {"xdg-open stopped unexpectedly"}},
        {"exit 4", milliseconds(0), {}}};
    for (const auto &[ending, window, reason] : cases) {
        install("xdg-open", ending);
        reasons.clear();
        DesktopWorkbookOpener opener(nullptr, window);
        ASSERT_TRUE(opener.open(QStringLiteral("/tmp/a.xlsx"), note)) << ending;
        ASSERT_GT(started("xdg-open"), 0) << ending;
        QCoreApplication::processEvents(); // a verdict window of 0 ms closes here
        EXPECT_EQ(opener.launchesRunning(), 1) << ending;
        release("xdg-open");
        EXPECT_TRUE(QTest::qWaitFor([&opener] { return opener.launchesRunning() == 0; }, kWaitMs)) << ending;
        // The watch is deleted later than it reports; let that happen too.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(reasons, reason) << ending;
    }
    install("xdg-open", "exit 0");
    pid_t running = 0;
    {
        DesktopWorkbookOpener opener(nullptr, milliseconds(0));
        ASSERT_TRUE(opener.open(QStringLiteral("/tmp/a.xlsx"), note));
        running = started("xdg-open");
        ASSERT_GT(running, 0);
    }
    EXPECT_NE(::kill(running, 0), 0) << "xdg-open still runs after the program ended";
    EXPECT_EQ(reasons, QStringList());
}

} // namespace
