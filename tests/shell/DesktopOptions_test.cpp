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
        {{"--port", "0=/dev/pts/1"}, "offscreen", "--port 0=/dev/pts/1: the port number must be a whole number from 1 to 16."},
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
