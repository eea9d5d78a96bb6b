#include "ProgramRunner.h"
#include "cli/Program.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <set>

namespace elvaro::testing {
namespace {

using ::testing::MatchesRegex;

const std::map<QString, QString> kNoDisplay = {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}};
const std::map<QString, QString> kDeadDisplay = {
    {"DISPLAY", ":9999"}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", "xcb"}};
const std::string kSeeHelp = "\nRun 'elvaro-q3 --help' for usage.\n";
const std::string kWithoutDisplay = ", so the window cannot be shown; the commands tree, convert, capture and "
                                    "simulate work without a display (see 'elvaro-q3 --help').\n";

// Every run as a user meets it, with no display or one that cannot be opened: the exit code and
// standard error exactly, standard output as a pattern. Bad options are refused before any window.
TEST(Program, AnswersAndRefusesWithoutAWindow)
{
    struct Case {
        std::vector<std::string> args;
        std::map<QString, QString> environment;
        int status;
        std::string out;
        std::string err;
    };
    const std::string desktopHelp = "Usage: elvaro-q3 \\[--demo\\] \\[--port N=DEVICE\\]\\.\\.\\.\n"
                                    "       elvaro-q3 COMMAND \\[ARGS\\.\\.\\.\\]\n(.|\n)*"
                                    "  --port N=DEVICE  offer DEVICE as port N \\(1 to 16\\)(.|\n)*"
                                    "\n  tree (.|\n)*\n  convert (.|\n)*\n  capture (.|\n)*\n  simulate (.|\n)*";
    const std::string range = "the port number must be a whole number from 1 to 16.";
    const Case cases[] = {
        {{"--help"}, kNoDisplay, 0, desktopHelp, ""},
        {{"-h"}, kDeadDisplay, 0, desktopHelp, ""},
        {{"--version"}, kDeadDisplay, 0, "elvaro-q3 \\(Elvaro-Q3 V1b\\) [0-9]+\\.[0-9]+(\\.[0-9]+)*\n", ""},
        {{"tree", "--help"}, kNoDisplay, 0, "Usage: elvaro-q3 tree \\[FILE\\|-\\] (.|\n)*", ""},
        {{"convert", "-h"}, kNoDisplay, 0, "Usage: elvaro-q3 convert INPUT \\[-o OUTPUT\\] (.|\n)*", ""},
        {{"capture", "--help"},
         kDeadDisplay,
         0,
         "Usage: elvaro-q3 capture \\(--port N \\| --device PATH\\) \\[-o FILE\\] \\[--idle SECONDS\\]\n(.|\n)*",
         ""},
        {{"simulate", "--help"}, kNoDisplay, 0, "Usage: elvaro-q3 simulate \\[REPORT\\] (.|\n)*", ""},
        {{"--demo", "--colour"}, kDeadDisplay, 2, "", "elvaro-q3: unknown option '--colour'" + kSeeHelp},
        {{"frobnicate", "--help"}, kNoDisplay, 2, "", "elvaro-q3: unknown command 'frobnicate'" + kSeeHelp},
        {{"--port", "0=/dev/null"}, kNoDisplay, 2, "", "elvaro-q3: --port 0=/dev/null: " + range + kSeeHelp},
        {{"--port=17=/dev/pts/1"}, kDeadDisplay, 2, "", "elvaro-q3: --port 17=/dev/pts/1: " + range + kSeeHelp},
        {{"--port", "/dev/ttyUSB0"},
         {{"QT_QPA_PLATFORM", "offscreen"}},
         2,
         "",
         "elvaro-q3: --port expects N=DEVICE, for example --port 1=/dev/ttyUSB0; got \"/dev/ttyUSB0\"." + kSeeHelp},
        {{"--port"},
         {{"QT_QPA_PLATFORM", "offscreen"}},
         2,
         "",
         "elvaro-q3: --port needs a value, for example --port 1=/dev/ttyUSB0" + kSeeHelp},
        {{"--port", "2=/dev/null", "--verbose"},
         {{"QT_QPA_PLATFORM", "offscreen"}},
         2,
         "",
         "elvaro-q3: unknown option '--verbose'" + kSeeHelp},
        {{"--port", "1=/dev/pts/1", "--demo"},
         kNoDisplay,
         2,
         "",
         "elvaro-q3: --demo offers the simulated instrument as port 1, which --port 1=DEVICE also names; give DEVICE "
         "another number or leave out --demo"
             + kSeeHelp},
        {{"--demo"},
         kNoDisplay,
         1,
         "",
         "elvaro-q3: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set)" + kWithoutDisplay},
        {{"--port", "2=/dev/null"},
         kNoDisplay,
         1,
         "",
         "elvaro-q3: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set)" + kWithoutDisplay},
    };
    for (const Case &c : cases) {
        const Outcome run = runProgram(c.args, {.environment = c.environment});
        const std::string shown = c.args.front() + (c.args.size() > 1 ? " " + c.args[1] : "");
        EXPECT_EQ(run.status, c.status) << shown << ": " << run.err;
        EXPECT_THAT(run.out, MatchesRegex(c.out)) << shown;
        EXPECT_EQ(run.err, c.err) << shown;
    }
    // A display that cannot be opened ends with the same line, not with Qt's abort.
    const Outcome dead = runProgram({}, {.environment = kDeadDisplay});
    EXPECT_EQ(dead.status, 1);
    EXPECT_THAT(dead.err, ::testing::EndsWith("\nelvaro-q3: the display could not be opened" + kWithoutDisplay));
}

TEST(Program, DesktopOptionsKeepThePinsInOrderAndLetQtsOwnOptionsPass)
{
    const auto options = cli::readDesktopOptions({"--port", "3=/dev/ttyUSB1", "--demo", "--port=2=/dev/pts/4",
                                                  "-platform", "offscreen", "-style=fusion", "-reverse"});
    ASSERT_TRUE(options.has_value());
    EXPECT_TRUE(options->demo);
    ASSERT_EQ(options->pins.size(), 2u);
    EXPECT_EQ(options->pins[0].port, 3);
    EXPECT_EQ(options->pins[0].device, "/dev/ttyUSB1");
    EXPECT_EQ(options->pins[1].port, 2);
    EXPECT_EQ(options->pins[1].device, "/dev/pts/4");
    // The value of a Qt option is Qt's, even when it looks like one of ours.
    EXPECT_FALSE(cli::readDesktopOptions({"-qwindowtitle", "--demo", "-display", ":1"})->demo);
    const std::pair<cli::Arguments, std::string> bad[] = {{{"-platform"}, "-platform needs a value"},
                                                          {{"-reverse=yes"}, "unknown option '-reverse=yes'"},
                                                          {{"--demo=1"}, "--demo takes no value"},
                                                          {{"--demo", "r.txt"}, "unexpected argument 'r.txt'"}};
    for (const auto &[args, problem] : bad) {
        try {
            cli::readDesktopOptions(args);
            ADD_FAILURE() << args.front();
        } catch (const cli::UsageError &error) {
            EXPECT_EQ(error.what(), problem);
        }
    }
}

// The shared libraries of the program that does the work of a run (the entry, or the part it
// started in its place), as the dynamic loader tells them (LD_DEBUG=files).
std::set<std::string> loadedLibraries(const std::vector<std::string> &args, const QString &folder)
{
    auto environment = kNoDisplay;
    environment["LD_DEBUG"] = "files";
    const QString whole = QString::fromStdString(runProgram(args, {.folder = folder, .environment = environment}).err);
    // What the last program loaded lies between the last two "transferring control" lines.
    const QString transfer = QStringLiteral("transferring control");
    const qsizetype last = whole.lastIndexOf(transfer);
    const qsizetype previous = last > 0 ? whole.lastIndexOf(transfer, last - 1) : -1;
    static const QRegularExpression kLoaded(QStringLiteral("file=(?:[^ \\t]*/)?([^/ \\t]+)"));
    std::set<std::string> loaded;
    for (const QRegularExpressionMatch &match : kLoaded.globalMatch(whole.mid(previous + 1, last - previous - 1)))
        loaded.insert(match.captured(1).toStdString());
    return loaded;
}

// The commands without a serial line load no Qt at all, those on it no window library and no
// .xlsx writer; the desktop shows that the trace sees what is loaded.
TEST(Program, EachCommandLoadsOnlyTheLibrariesItNeeds)
{
    const QTemporaryDir folder;
    const std::string sample = ELVARO_SAMPLES_DIR "/worked-example.txt";
    const std::set<std::string> anyQt{"libQt6Core.so.6", "libQt6Gui.so.6", "libQt6Widgets.so.6",
                                      "libQt6SerialPort.so.6"};
    const std::set<std::string> serialLine{"libQt6Core.so.6", "libQt6SerialPort.so.6"};
    const std::set<std::string> notOnTheLine{"libQt6Gui.so.6", "libQt6Widgets.so.6", "libxlsxwriter.so.4"};
    const std::tuple<std::vector<std::string>, std::set<std::string>, std::set<std::string>> cases[] = {
        {{"--version"}, {"libxlsxwriter.so.4"}, anyQt},
        {{"tree", sample}, {}, anyQt},
        {{"convert", sample, "-o", "out.xlsx"}, {"libz.so.1"}, anyQt},
        {{"simulate", "--help"}, serialLine, notOnTheLine},
        {{"capture", "--help"}, serialLine, notOnTheLine},
        {{"--demo"}, {"libQt6Widgets.so.6"}, {}},
    };
    for (const auto &[args, expected, refused] : cases) {
        const std::set<std::string> loaded = loadedLibraries(args, folder.path());
        EXPECT_FALSE(loaded.empty()) << args.front();
        for (const std::string &library : expected)
            EXPECT_TRUE(loaded.contains(library)) << args.front() << " does not load " << library;
        for (const std::string &library : refused)
            EXPECT_FALSE(loaded.contains(library)) << args.front() << " loads " << library;
    }
}

TEST(Program, AMissingPartIsNamedWithTheAdviceToReinstall)
{
    const QTemporaryDir folder;
    const QString entry = folder.filePath(QStringLiteral("elvaro-q3"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ELVARO_EXECUTABLE), entry));
    for (const std::string command : {"capture", "--demo"}) {
        const Outcome run = runProgram({command}, {.program = entry});
        EXPECT_EQ(run.status, 1);
        EXPECT_THAT(run.err, MatchesRegex("elvaro-q3: .*/elvaro-q3-(serial|desktop): cannot be started: No such file "
                                          "or directory\\. This part of elvaro-q3 is missing or damaged; reinstall "
                                          "the program\\.\n"));
    }
}

// The options a text names: words that start with one or two dashes and a letter, not inside a
// word ("line-drawing", "Ctrl-C").
std::set<std::string> optionsIn(const QString &text)
{
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])--?[A-Za-z][\\w-]*"));
    std::set<std::string> found;
    for (const QRegularExpressionMatch &match : option.globalMatch(text))
        found.insert(match.captured().toStdString());
    return found;
}

// The manual page describes the commands and options --help lists, no more and no fewer: its
// OPTIONS, and one subsection of COMMANDS per command, named by its first word.
TEST(Program, TheManualPageMatchesTheHelpOfTheProgramAndOfEachCommand)
{
    QString source = QString::fromUtf8(fileContents(QStringLiteral(ELVARO_MAN_PAGE)));
    ASSERT_FALSE(source.isEmpty());
    static const QRegularExpression fontChange(QStringLiteral("\\\\f[BIRP]"));
    source.replace(QLatin1String("\\-"), QLatin1String("-")).remove(fontChange);
    std::map<std::string, QString> parts;
    std::string current;
    bool inCommands = false;
    for (const QString &line : source.split(u'\n')) {
        if (line.startsWith(QLatin1String(".SH "))) {
            inCommands = line.mid(4).trimmed() == QLatin1String("COMMANDS");
            current = line.mid(4).trimmed() == QLatin1String("OPTIONS") ? "" : "-";
        } else if (line.startsWith(QLatin1String(".SS ")) && inCommands) {
            current = line.mid(4).remove(u'"').trimmed().section(u' ', 0, 0).toStdString();
        } else if (current != "-") {
            parts[current] += line + u'\n';
        }
    }
    for (const std::string command : {"", "tree", "convert", "capture", "simulate"}) {
        std::vector<std::string> args{command, "--help"};
        if (command.empty())
            args.erase(args.begin());
        std::set<std::string> manual = optionsIn(parts[command]);
        std::set<std::string> usage = optionsIn(QString::fromStdString(runProgram(args).out));
        // Every command takes -h and --help; the manual page says so once.
        if (!command.empty()) {
            for (std::set<std::string> *set : {&manual, &usage}) {
                set->erase("-h");
                set->erase("--help");
            }
        }
        EXPECT_EQ(manual, usage) << "the options of '" << command << "'";
        parts.erase(command);
    }
    EXPECT_TRUE(parts.empty()) << "the manual page describes a command --help does not list: " << parts.begin()->first;
}

} // namespace
} // namespace elvaro::testing
