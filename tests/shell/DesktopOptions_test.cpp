#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

namespace {

struct DesktopRun {
    int exitCode = -1;
    QString errors;
};

DesktopRun runDesktop(const QStringList &arguments, const QString &platform = QStringLiteral("offscreen"))
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ELVARO_EXECUTABLE), arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
}

} // namespace

TEST(DesktopOptions, BadOptionsStopBeforeAnyWindowWithAMessageAndUsageExitCode)
{
    struct Case {
        QStringList arguments;
        const char *message;
    };
    const Case cases[] = {
        {{"--port", "0=/dev/pts/1"}, "the port number must be a whole number from 1 to 16."},
        {{"--port=17=/dev/pts/1"}, "the port number must be a whole number from 1 to 16."},
        {{"--port", "/dev/ttyUSB0"}, "--port expects N=DEVICE, for example --port 1=/dev/ttyUSB0"},
        {{"--port"}, "--port needs a value, for example --port 1=/dev/ttyUSB0"},
        {{"--port", "1=/dev/pts/1", "--colour"}, "unknown option '--colour'"},
    };
    for (const Case &c : cases) {
        const DesktopRun run = runDesktop(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.errors.contains(QLatin1String(c.message)))
            << c.arguments.join(u' ').toStdString() << ": " << run.errors.toStdString();
    }
}

TEST(DesktopOptions, ABadPortIsReportedEvenWhereNoWindowCanBeShown)
{
    // The X11 platform with no display to connect to: the option is checked before that.
    const DesktopRun run = runDesktop({QStringLiteral("--port"), QStringLiteral("99=/dev/pts/1")}, QStringLiteral("xcb"));
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.errors.contains(QLatin1String("--port 99=/dev/pts/1: the port number must be a whole number from 1 to 16.")))
        << run.errors.toStdString();
}
