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
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
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
// A program's stand-in either records its arguments (PROGRAM.args) or says where it runs
// (PROGRAM.pid), waits until the test writes a line into its FIFO (PROGRAM.go), then does its ending.
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

    // Makes the desktop's programs folder the only one on PATH.
    void desktop()
    {
        QDir().mkpath(bin);
        setEnv("PATH", bin);
    }
    void install(const char *program, const QByteArray &ending)
    {
        if (qgetenv("PATH") != QFile::encodeName(bin))
            desktop();
        for (const char *suffix : {"", ".pid", ".go", ".args"})
            QFile::remove(binFile(program, suffix));
        ASSERT_EQ(::mkfifo(QFile::encodeName(binFile(program, ".go")).constData(), 0600), 0);
        QFile script(binFile(program, ""));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(ending.isNull() ? QByteArray(
                         "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.part\" && /bin/mv \"$0.part\" \"$0.args\"\n")
                                     : "#!/bin/sh\necho $$ > \"$0.pid\"\nread line < \"$0.go\"\n" + ending + "\n");
        script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    }
    QString binFile(const char *program, const char *suffix) const
    {
        return QDir(bin).filePath(QLatin1String(program) + QLatin1String(suffix));
    }
    // The file a stand-in writes, once it is there.
    QByteArray written(const char *program, const char *suffix) const
    {
        QFile file(binFile(program, suffix));
        return QTest::qWaitFor([&file] { return file.size() > 0; }, kWaitMs) && file.open(QIODevice::ReadOnly)
                   ? file.readAll()
                   : QByteArray("<not run>");
    }
    pid_t started(const char *program) const { return written(program, ".pid").trimmed().toInt(); }
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
// said, then the Save dialog, which saves a copy that the user can change; when the workbook's file
// is gone meanwhile, the user is told and asked again.
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
    exportReport(kReport);
    EXPECT_EQ(messages.take(), QStringList());
    opener.saveAnswers = twoAnswers;
    opener.lateFailures[1](QStringLiteral("xdg-open ended with exit status 4: no application"));
    expectSavedOnSecondAnswer(
        notShown(QStringLiteral("xdg-open ended with exit status 4: no application"), opener.opened[1]));

    ASSERT_TRUE(QFile::setPermissions(opener.opened[2], QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_TRUE(QFile::remove(opener.opened[2]));
    opener.saveAnswers = {file(QStringLiteral("again.xlsx"))};
    opener.lateFailures[2](QStringLiteral("xdg-open stopped unexpectedly"));
    const QStringList told = messages.take();
    ASSERT_EQ(told.size(), 2);
    EXPECT_TRUE(told[1].startsWith(
        QStringLiteral("The workbook could not be saved as %1.\n\nthe exported workbook %2 cannot be read: ")
            .arg(file(QStringLiteral("again.xlsx")), opener.opened[2])))
        << told[1].toStdString();
    EXPECT_EQ(opener.suggestions.size(), 6) << "the Save dialog is offered again";
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("again.xlsx"))));
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
// link; without a runtime folder it goes to the cache folder; with none usable each is named.
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

    // A runtime folder others can open, and a file where the cache folder should be.
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    ASSERT_TRUE(makeFolder(runtimeFolder, 0755));
    ASSERT_TRUE(QDir(file(QStringLiteral("cache"))).removeRecursively());
    QFile blocking(file(QStringLiteral("cache")));
    ASSERT_TRUE(blocking.open(QIODevice::WriteOnly));
    try {
        save();
        ADD_FAILURE() << "the workbook was saved";
    } catch (const elvaro::workbook::FileError &problem) {
        EXPECT_EQ(QString::fromStdString(problem.what()),
                  kNotPrivate.arg(sharedFolder) + u'\n' + kNotPrivate.arg(runtimeFolder) + u'\n'
                      + QStringLiteral("The folder %1/elvaro-q3 for exported workbooks cannot be created: Not a "
                                       "directory.")
                            .arg(file(QStringLiteral("cache"))));
    }
    EXPECT_EQ(filesIn(sharedFolder) + filesIn(runtimeFolder), QStringList());
}

TEST_F(ExportTest, LibreOfficeOpensAnUntitledCopyAndWithoutAnyApplicationOpenFails)
{
    desktop();
    DesktopWorkbookOpener opener;
    // No application at all; then the desktop's tools, with no application set for .xlsx files.
    EXPECT_FALSE(opener.open(QStringLiteral("/tmp/a.xlsx"), {}));
    install("xdg-mime", QByteArray());
    EXPECT_FALSE(opener.open(QStringLiteral("/tmp/a.xlsx"), {}));
    EXPECT_EQ(written("xdg-mime", ".args"),
              "query\ndefault\napplication/vnd.openxmlformats-officedocument.spreadsheetml.sheet\n");
    install("soffice", QByteArray());
    EXPECT_TRUE(opener.open(QStringLiteral("/tmp/a b.xlsx"), {}));
    EXPECT_EQ(written("soffice", ".args"), "-n\n/tmp/a b.xlsx\n");
}

// xdg-open and LibreOffice are watched, not waited for: open() returns while they still run, and
// a failure within the verdict window comes afterwards in their own words; an end after it says
// nothing.
TEST_F(ExportTest, AnOpenerThatFailsWithinTheVerdictWindowIsReportedAfterOpenReturns)
{
    using std::chrono::milliseconds;
    const std::tuple<const char *, const char *, milliseconds, QStringList> cases[] = {
        {"xdg-open",
         "echo \"xdg-open: no method available for opening '$1'\" >&2\nexit 3",
         milliseconds(kWaitMs),
         {"xdg-open ended with exit status 3: xdg-open: no method available for opening '/tmp/a.xlsx'"}},
        {"xdg-open", "exit 4", milliseconds(kWaitMs), {"xdg-open ended with exit status 4"}},
        {"xdg-open", "kill -9 $$", milliseconds(kWaitMs), {"xdg-open stopped unexpectedly"}},
        {"xdg-open", "echo 'a warning on the way' >&2\nexit 0", milliseconds(kWaitMs), {}},
        {"xdg-open", "exit 4", milliseconds(0), {}},
        {"soffice",
         "echo 'Unspecified Application Error' >&2\nexit 1",
         milliseconds(kWaitMs),
         {"soffice ended with exit status 1: Unspecified Application Error"}}};
    for (const auto &[program, ending, window, reason] : cases) {
        QFile::remove(binFile("soffice", ""));
        install(program, ending);
        reasons.clear();
        DesktopWorkbookOpener opener(nullptr, window);
        ASSERT_TRUE(opener.open(QStringLiteral("/tmp/a.xlsx"), note)) << ending;
        ASSERT_GT(started(program), 0) << ending;
        QCoreApplication::processEvents(); // a verdict window of 0 ms closes here
        EXPECT_EQ(opener.launchesRunning(), 1) << ending;
        release(program);
        EXPECT_TRUE(QTest::qWaitFor([&opener] { return opener.launchesRunning() == 0; }, kWaitMs)) << ending;
        // The watch is deleted later than it reports; let that happen too.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(reasons, reason) << ending;
    }
}

// When the program ends, an xdg-open still running is stopped with it, while LibreOffice, which
// shows the user's workbook, is left running; neither is reported.
TEST_F(ExportTest, AnXdgOpenStillRunningStopsWithTheProgramLibreOfficeRunsOn)
{
    for (const auto &[program, runsOn] : {std::pair{"xdg-open", false}, std::pair{"soffice", true}}) {
        install(program, "exit 0");
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
    EXPECT_EQ(reasons, QStringList());
}

// The Save dialog is the desktop's own, answered here as a person would.
TEST_F(ExportTest, TheSaveDialogReturnsTheFileChosen)
{
    QString title;
    answerFileDialog(file(QStringLiteral("report")), &title);
    EXPECT_EQ(DesktopWorkbookOpener().askSaveFileName(file(QStringLiteral("Downloaded.xlsx"))),
              file(QStringLiteral("report.xlsx")));
    EXPECT_EQ(title, QStringLiteral("Save the workbook"));
}

} // namespace
