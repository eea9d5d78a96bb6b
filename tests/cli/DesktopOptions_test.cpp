#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

TEST(DesktopOptions, BadOptionsStopBeforeAnyWindowWithAMessageAndUsageExitCode)
{
    struct Case {
        QStringList arguments;
        const char *platform; // "xcb" with no display: the --port value is checked before that
        const char *message;
    };
    const Case cases[] = {
        {{"--port", "0=/dev/pts/1"},
         "offscreen",
         "--port 0=/dev/pts/1: the port number must be a whole number from 1 to 16."},
        {{"--port=17=/dev/pts/1"}, "xcb", "--port 17=/dev/pts/1: the port number must be a whole number from 1 to 16."},
        {{"--port", "/dev/ttyUSB0"}, "offscreen", "--port expects N=DEVICE, for example --port 1=/dev/ttyUSB0"},
        {{"--port"}, "offscreen", "--port needs a value, for example --port 1=/dev/ttyUSB0"},
        {{"--port", "1=/dev/pts/1", "--colour"}, "offscreen", "unknown option '--colour'"},
    };
    for (const Case &c : cases) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QLatin1String(c.platform));
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(ELVARO_EXECUTABLE), c.arguments);
        ASSERT_TRUE(process.waitForFinished(30000)) << c.arguments.join(u' ').toStdString();
        const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
        EXPECT_EQ(process.exitCode(), 2) << c.arguments.join(u' ').toStdString();
        EXPECT_TRUE(errors.contains(QLatin1String(c.message))) << errors.toStdString();
    }
}

namespace {

const QString kWithoutDisplay =
    QStringLiteral(", so the window cannot be shown; the commands tree, convert, capture and simulate work without a "
                   "display (see 'elvaro-q3 --help').\n");

struct DisplayRun {
    int exitCode = -1;
    QString errors;
};

// Runs the desktop program with no display named, DISPLAY set to `display` when given.
DisplayRun runWithoutDisplay(const QStringList &arguments, const QString &display = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("DISPLAY"));
    if (!display.isEmpty())
        environment.insert(QStringLiteral("DISPLAY"), display);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ELVARO_EXECUTABLE), arguments);
    if (!process.waitForFinished(30000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardError())};
}

} // namespace

TEST(DesktopWithoutDisplay, SaysSoInOneLineAndNamesTheCommandsThatNeedNone)
{
    for (const QStringList &arguments : {QStringList{}, QStringList{"--demo"}, QStringList{"--port", "2=/dev/null"}}) {
        const DisplayRun run = runWithoutDisplay(arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments.join(u' ').toStdString();
        EXPECT_EQ(run.errors, QStringLiteral("elvaro-q3: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set)")
                                  + kWithoutDisplay);
    }
}

TEST(DesktopWithoutDisplay, BadOptionsAreStillBadUsage)
{
    const DisplayRun run = runWithoutDisplay({"--port", "0=/dev/null"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.errors.startsWith(
        QStringLiteral("elvaro-q3: --port 0=/dev/null: the port number must be a whole number from 1 to 16.\n")))
        << run.errors.toStdString();
}

TEST(DesktopWithoutDisplay, ADisplayThatCannotBeOpenedEndsWithTheSameLineInsteadOfAnAbort)
{
    // No X server listens on display 9999: Qt's platform cannot start.
    const DisplayRun run = runWithoutDisplay({}, QStringLiteral(":9999"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.endsWith(QStringLiteral("\nelvaro-q3: the display could not be opened") + kWithoutDisplay))
        << run.errors.toStdString();
}
