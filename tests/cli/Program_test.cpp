#include "ProgramRunner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QRegularExpression>
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

// Every run as a user meets it, with no display and with one that cannot be opened: the exit code
// and standard error exactly, standard output as a pattern. Bad options are refused before any window.
TEST(Program, AnswersAndRefusesWithoutAWindow)
{
    const std::string desktopHelp =
        "Usage: elvaro-q3 \\[--demo\\] \\[--port N=DEVICE\\]\\.\\.\\.\n       elvaro-q3 COMMAND \\[ARGS\\.\\.\\.\\]\n"
        "(.|\n)*  --port N=DEVICE  offer DEVICE as port N \\(1 to 16\\)(.|\n)*"
        "\n  tree (.|\n)*\n  convert (.|\n)*\n  capture (.|\n)*\n  simulate (.|\n)*";
    const std::string range = "the port number must be a whole number from 1 to 16.";
    const std::tuple<std::string, int, std::string, std::string> cases[] = {
        {"--help", 0, desktopHelp, ""},
        {"-h", 0, desktopHelp, ""},
        {"--demo --version", 0, "elvaro-q3 \\(Elvaro-Q3 V1b\\) [0-9]+\\.[0-9]+(\\.[0-9]+)*\n", ""},
        {"tree --help", 0, "Usage: elvaro-q3 tree \\[FILE\\|-\\] (.|\n)*", ""},
        // An answer ends the reading; an unknown option before it is refused.
        {"convert -h --colour", 0, "Usage: elvaro-q3 convert INPUT \\[-o OUTPUT\\] (.|\n)*", ""},
        {"capture --help", 0,
         "Usage: elvaro-q3 capture \\(--port N \\| --device PATH\\) \\[-o FILE\\] \\[--idle SECONDS\\]\n(.|\n)*", ""},
        {"simulate --help", 0, "Usage: elvaro-q3 simulate \\[REPORT\\] (.|\n)*", ""},
        {"--demo --colour", 2, "", "unknown option '--colour'"},
        {"--colour --help", 2, "", "unknown option '--colour'"},
        {"-platform", 2, "", "-platform needs a value"},
        {"-reverse=yes", 2, "", "unknown option '-reverse=yes'"},
        {"--demo=1", 2, "", "--demo takes no value"},
        {"--demo r.txt", 2, "", "unexpected argument 'r.txt'"},
        {"frobnicate --help", 2, "", "unknown command 'frobnicate'"},
        {"--port 0=/dev/null", 2, "", "--port 0=/dev/null: " + range},
        {"--port=17=/dev/pts/1", 2, "", "--port 17=/dev/pts/1: " + range},
        {"--port /dev/ttyUSB0", 2, "",
         "--port expects N=DEVICE, for example --port 1=/dev/ttyUSB0; got \"/dev/ttyUSB0\"."},
        {"--port", 2, "", "--port needs a value, for example --port 1=/dev/ttyUSB0"},
        {"--port 2=/dev/null --verbose", 2, "", "unknown option '--verbose'"},
        {"--port 1=/dev/pts/1 --demo", 2, "",
         "--demo offers the simulated instrument as port 1, which --port 1=DEVICE also names; give DEVICE another "
         "number or leave out --demo"},
    };
    for (const auto &environment : {kNoDisplay, kDeadDisplay}) {
        for (const auto &[commandLine, status, out, err] : cases) {
            const Outcome run = runProgram(commandLine, {.environment = environment});
            EXPECT_EQ(run.status, status) << commandLine << ": " << run.err;
            EXPECT_THAT(run.out, MatchesRegex(out)) << commandLine;
            EXPECT_EQ(run.err, err.empty() ? "" : "elvaro-q3: " + err + kSeeHelp) << commandLine;
        }
    }
    // Without a display, and with one that cannot be opened (not Qt's abort), the window says why.
    for (const std::string commandLine : {"--demo", "--port 2=/dev/null"}) {
        const Outcome run = runProgram(commandLine, {.environment = kNoDisplay});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err,
                  "elvaro-q3: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set)" + kWithoutDisplay);
    }
    const Outcome dead = runProgram({}, {.environment = kDeadDisplay});
    EXPECT_EQ(dead.status, 1);
    EXPECT_THAT(dead.err, ::testing::EndsWith("\nelvaro-q3: the display could not be opened" + kWithoutDisplay));
}

// The commands without a serial line load no Qt at all, those on it no window library and no
// .xlsx writer; the desktop shows that the trace sees what is loaded. Each row: the libraries
// loaded, and the beginnings of names none loaded may have.
TEST(Program, EachCommandLoadsOnlyTheLibrariesItNeeds)
{
    const QTemporaryDir folder;
    const std::string onTheLine = "libQt6Core.so.6 libQt6SerialPort.so.6";
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"--version", "libxlsxwriter.so.4", "libQt6"},
        {"tree -", "", "libQt6"},
        {"convert - -o out.xlsx", "libz.so.1", "libQt6"},
        {"simulate --help", onTheLine, "libQt6Gui libQt6Widgets libxlsxwriter"},
        {"capture --help", onTheLine, "libQt6Gui libQt6Widgets libxlsxwriter"},
        {"--demo", "libQt6Widgets.so.6", ""},
    };
    auto environment = kNoDisplay;
    environment["LD_DEBUG"] = "files";
    const QByteArray report = fileContents(ELVARO_SAMPLES_DIR "/worked-example.txt");
    for (const auto &[commandLine, expected, refused] : cases) {
        // What the program doing the work (the entry, or the part it started in its place) loaded
        // lies between the last two "transferring control" lines of the dynamic loader's trace.
        const QString trace = QString::fromStdString(
            runProgram(commandLine, {.folder = folder.path(), .input = report, .environment = environment}).err);
        const qsizetype last = trace.lastIndexOf(u"transferring control");
        const qsizetype previous = last > 0 ? trace.lastIndexOf(u"transferring control", last - 1) : -1;
        static const QRegularExpression kLoaded(QStringLiteral("file=(?:[^ \\t]*/)?([^/ \\t]+)"));
        QStringList loaded;
        for (const QRegularExpressionMatch &match : kLoaded.globalMatch(trace.mid(previous + 1, last - previous - 1)))
            loaded += match.captured(1);
        EXPECT_FALSE(loaded.isEmpty()) << commandLine;
        for (const QString &library : QString::fromStdString(expected).split(u' ', Qt::SkipEmptyParts))
            EXPECT_TRUE(loaded.contains(library)) << commandLine << " does not load " << library.toStdString();
        for (const QString &prefix : QString::fromStdString(refused).split(u' ', Qt::SkipEmptyParts))
            EXPECT_TRUE(loaded.filter(QRegularExpression("^" + prefix)).isEmpty())
                << commandLine << " loads " << prefix.toStdString();
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

// The manual page describes the commands and options --help lists, no more and no fewer: its
// OPTIONS, and one subsection of COMMANDS per command, named by its first word. Options are words
// that start with one or two dashes and a letter, not inside a word ("line-drawing", "Ctrl-C").
TEST(Program, TheManualPageMatchesTheHelpOfTheProgramAndOfEachCommand)
{
    QString source = QString::fromUtf8(fileContents(QStringLiteral(ELVARO_MAN_PAGE)));
    ASSERT_FALSE(source.isEmpty());
    source.replace(QLatin1String("\\-"), QLatin1String("-")).remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")));
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
    const auto optionsIn = [](const QString &text, bool withHelp) {
        static const QRegularExpression option(QStringLiteral("(?<![\\w-])--?[A-Za-z][\\w-]*"));
        std::set<std::string> found;
        for (const QRegularExpressionMatch &match : option.globalMatch(text))
            found.insert(match.captured().toStdString());
        // Every command takes -h and --help; the manual page says so once.
        if (!withHelp)
            std::erase_if(found, [](const std::string &o) { return o == "-h" || o == "--help"; });
        return found;
    };
    for (const std::string command : {"", "tree", "convert", "capture", "simulate"}) {
        const QString usage = QString::fromStdString(runProgram(command + " --help").out);
        EXPECT_EQ(optionsIn(parts[command], command.empty()), optionsIn(usage, command.empty())) << command;
        parts.erase(command);
    }
    EXPECT_TRUE(parts.empty()) << "the manual page describes a command --help does not list: " << parts.begin()->first;
}

} // namespace
} // namespace elvaro::testing
