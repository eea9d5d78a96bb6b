#include "cli/Program.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>
#include <ostream>
#include <set>
#include <string>

namespace elvaro::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// --- The desktop program's options, read before anything of Qt starts. ---

std::optional<std::string> desktopProblem(const Arguments &args)
{
    try {
        readDesktopOptions(args);
    } catch (const UsageError &error) {
        return error.what();
    }
    return std::nullopt;
}

TEST(DesktopOptions, PinsKeepTheirOrderAndDemoIsAFlag)
{
    const std::optional<DesktopOptions> options =
        readDesktopOptions({"--port", "3=/dev/ttyUSB1", "--demo", "--port=2=/dev/pts/4"});
    ASSERT_TRUE(options.has_value());
    EXPECT_TRUE(options->demo);
    ASSERT_EQ(options->pins.size(), 2u);
    EXPECT_EQ(options->pins[0].port, 3);
    EXPECT_EQ(options->pins[0].device, "/dev/ttyUSB1");
    EXPECT_EQ(options->pins[1].port, 2);
    EXPECT_EQ(options->pins[1].device, "/dev/pts/4");
    EXPECT_FALSE(readDesktopOptions({})->demo);
}

TEST(DesktopOptions, QtsOwnOptionsPassForTheApplicationObject)
{
    for (const Arguments &args :
         {Arguments{"-platform", "offscreen"}, Arguments{"--platform", "offscreen", "--demo"},
          Arguments{"-style=fusion"}, Arguments{"-style", "fusion"}, Arguments{"-reverse"},
          Arguments{"-qwindowtitle", "--demo"}, Arguments{"-display", ":1", "-geometry", "1x1"}}) {
        EXPECT_EQ(desktopProblem(args), std::nullopt) << args.front();
    }
    // The value of a Qt option is Qt's, even when it looks like one of ours.
    EXPECT_FALSE(readDesktopOptions({"-qwindowtitle", "--demo"})->demo);
}

TEST(DesktopOptions, WhatNeitherTheProgramNorQtKnowsIsBadUsage)
{
    struct Case {
        Arguments args;
        std::string problem;
    };
    for (const Case &c :
         {Case{{"--colour"}, "unknown option '--colour'"}, Case{{"-platform"}, "-platform needs a value"},
          Case{{"-reverse=yes"}, "unknown option '-reverse=yes'"},
          Case{{"--demo", "report.txt"}, "unexpected argument 'report.txt'"},
          Case{{"--demo=1"}, "--demo takes no value"},
          Case{{"--port"}, "--port needs a value, for example --port 1=/dev/ttyUSB0"},
          Case{{"--port", "17=/dev/pts/1"},
               "--port 17=/dev/pts/1: the port number must be a whole number from 1 to 16."},
          Case{{"--port", "1=/dev/pts/1", "--demo"},
               "--demo offers the simulated instrument as port 1, which --port 1=DEVICE also names"}}) {
        EXPECT_THAT(desktopProblem(c.args), ::testing::Optional(StartsWith(c.problem))) << c.args.front();
    }
}

// --- The program run as a user runs it. ---

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs elvaro-q3 with no display and no Qt platform chosen, or with `display` as DISPLAY and the
// X11 platform: a display that cannot be opened shows whether Qt's platform was started at all.
ProgramRun runWithoutDisplay(const QStringList &arguments, const QString &display = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    if (!display.isEmpty()) {
        environment.insert(QStringLiteral("DISPLAY"), display);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    }
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ELVARO_EXECUTABLE), arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

// The DISPLAY of each run: none, or one where no X server listens.
class ProgramWithoutDisplay : public ::testing::TestWithParam<const char *> {};

TEST_P(ProgramWithoutDisplay, AnswersHelpWithTheCommandsAndTheDesktopOptions)
{
    for (const QString &help : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const ProgramRun run = runWithoutDisplay({help}, QString::fromLatin1(GetParam()));
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.err, QString());
        EXPECT_TRUE(run.out.startsWith(QStringLiteral("Usage: elvaro-q3 [--demo] [--port N=DEVICE]...\n")))
            << run.out.toStdString();
        for (const char *part :
             {"--demo", "--port N=DEVICE", "--version", "\n  tree ", "\n  convert ", "\n  capture ", "\n  simulate "})
            EXPECT_TRUE(run.out.contains(QLatin1String(part))) << part;
    }
}

TEST_P(ProgramWithoutDisplay, AnswersVersionWithTheTitleAndTheVersion)
{
    const ProgramRun run = runWithoutDisplay({"--version"}, QString::fromLatin1(GetParam()));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, QString());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^elvaro-q3 \\(Elvaro-Q3 V1b\\) \\d+\\.\\d+(\\.\\d+)*\n$"))
                    .match(run.out)
                    .hasMatch())
        << run.out.toStdString();
}

TEST_P(ProgramWithoutDisplay, AnswersEachCommandsHelp)
{
    for (const char *command : {"tree", "convert", "capture", "simulate"}) {
        const ProgramRun run = runWithoutDisplay({command, "--help"}, QString::fromLatin1(GetParam()));
        EXPECT_EQ(run.exitCode, 0) << command;
        EXPECT_TRUE(run.out.startsWith(QStringLiteral("Usage: elvaro-q3 %1 ").arg(command))) << run.out.toStdString();
        EXPECT_EQ(run.err, QString()) << command;
    }
}

TEST_P(ProgramWithoutDisplay, RefusesAnUnknownOptionAsBadUsage)
{
    const ProgramRun run = runWithoutDisplay({"--demo", "--colour"}, QString::fromLatin1(GetParam()));
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, QStringLiteral("elvaro-q3: unknown option '--colour'\nRun 'elvaro-q3 --help' for usage.\n"));
    EXPECT_EQ(run.out, QString());
}

INSTANTIATE_TEST_SUITE_P(ProgramEntry, ProgramWithoutDisplay, ::testing::Values("", ":9999"),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             return std::string(*info.param == '\0' ? "NoDisplay" : "DisplayThatCannotBeOpened");
                         });

// With a platform that works, a window would be made and the program would wait for the user:
// the option must be refused before that.
TEST(ProgramEntry, RefusesAnUnknownOptionBeforeAnyWindowIsMade)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ELVARO_EXECUTABLE), {"--port", "2=/dev/null", "--verbose"});
    const bool ended = process.waitForFinished(30000);
    if (!ended) {
        process.kill();
        process.waitForFinished();
    }
    ASSERT_TRUE(ended) << "the desktop program started";
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_THAT(QString::fromLocal8Bit(process.readAllStandardError()).toStdString(),
                StartsWith("elvaro-q3: unknown option '--verbose'\n"));
}

// The shared libraries of the program that does the work of a run of elvaro-q3 (the entry, or the
// part it started in its place), as the dynamic loader tells them (LD_DEBUG=files): "libQt6Core.so.6"...
std::set<std::string> loadedLibraries(const QStringList &arguments, const QString &folder)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    environment.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral(ELVARO_EXECUTABLE), arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
    }
    std::set<std::string> loaded;
    // Each program the process becomes loads its libraries, then the loader tells that it
    // transfers control to it: what the last one loaded lies between the last two such lines.
    const QString whole = QString::fromLocal8Bit(process.readAllStandardError());
    const QString transfer = QStringLiteral("transferring control");
    const qsizetype last = whole.lastIndexOf(transfer);
    const qsizetype previous = last > 0 ? whole.lastIndexOf(transfer, last - 1) : -1;
    const QString trace = whole.mid(previous + 1, last - previous - 1);
    static const QRegularExpression kLoaded(QStringLiteral("file=(?:[^ \\t]*/)?([^/ \\t]+)"));
    for (const QRegularExpressionMatch &match : kLoaded.globalMatch(trace))
        loaded.insert(match.captured(1).toStdString());
    return loaded;
}

// The commands that need no window load no window library (Qt Gui, Qt Widgets); those without a
// serial line no Qt at all, those on the serial line no .xlsx writer. The commands of the serial program load the same libraries whatever
// they do, so their --help shows them. The desktop shows that the trace sees what is loaded.
TEST(ProgramEntry, EachCommandLoadsOnlyTheLibrariesItNeeds)
{
    const QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString sample = QStringLiteral(ELVARO_SAMPLES_DIR "/worked-example.txt");
    struct Case {
        QStringList arguments;
        std::set<std::string> expected;
        std::set<std::string> refused;
    };
    const std::set<std::string> anyQt{"libQt6Core.so.6", "libQt6Gui.so.6", "libQt6Widgets.so.6",
                                      "libQt6SerialPort.so.6"};
    const std::set<std::string> serialLine{"libQt6Core.so.6", "libQt6SerialPort.so.6"};
    const std::set<std::string> withoutSerialLine{"libQt6Gui.so.6", "libQt6Widgets.so.6", "libxlsxwriter.so.4"};
    const Case cases[] = {
        {{"--version"}, {"libxlsxwriter.so.4"}, anyQt},
        {{"--help"}, {}, anyQt},
        {{"tree", sample}, {}, anyQt},
        {{"convert", sample, "-o", "out.xlsx"}, {"libz.so.1"}, anyQt},
        {{"simulate", "--help"}, serialLine, withoutSerialLine},
        {{"capture", "--help"}, serialLine, withoutSerialLine},
        {{"--demo"}, {"libQt6Widgets.so.6"}, {}},
    };
    for (const Case &c : cases) {
        const std::set<std::string> loaded = loadedLibraries(c.arguments, folder.path());
        const std::string shown = c.arguments.join(u' ').toStdString();
        EXPECT_FALSE(loaded.empty()) << shown;
        for (const std::string &library : c.expected)
            EXPECT_TRUE(loaded.contains(library)) << shown << " does not load " << library;
        for (const std::string &library : c.refused)
            EXPECT_FALSE(loaded.contains(library)) << shown << " loads " << library;
    }
}

// An entry whose parts are missing (a damaged install) says which part and what to do.
TEST(ProgramEntry, AMissingPartIsNamedWithTheAdviceToReinstall)
{
    const QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString entry = folder.filePath(QStringLiteral("elvaro-q3"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ELVARO_EXECUTABLE), entry));
    for (const QString &command : {QStringLiteral("capture"), QStringLiteral("--demo")}) {
        QProcess process;
        process.start(entry, {command});
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 1);
        EXPECT_THAT(QString::fromLocal8Bit(process.readAllStandardError()).toStdString(),
                    ::testing::MatchesRegex("elvaro-q3: .*/elvaro-q3-(serial|desktop): cannot be started: No such file "
                                            "or directory\\. This part of elvaro-q3 is missing or damaged; reinstall "
                                            "the program\\.\n"));
    }
}

TEST(ProgramEntry, AnUnknownCommandIsBadUsage)
{
    const ProgramRun run = runWithoutDisplay({"frobnicate", "--help"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, QStringLiteral("elvaro-q3: unknown command 'frobnicate'\nRun 'elvaro-q3 --help' for usage.\n"));
}

} // namespace
} // namespace elvaro::cli
