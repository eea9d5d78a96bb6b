#include "shell/Desktop.h"

#include "serial/InstrumentSimulator.h"
#include "serial/PortTable.h"
#include "serial/SampleReport.h"
#include "shell/DisplayGuard.h"
#include "shell/Module1.h"
#include "shell/PrintDialog.h"
#include "shell/QtMessageBoxes.h"

#include <QApplication>

#include <cstdio>
#include <optional>

namespace elvaro::shell {

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void printDesktopUsage()
{
    std::fprintf(stderr, "Usage: elvaro-q3 [--demo] [--port N=DEVICE]...\n"
                         "  --demo           offer a simulated instrument as port 1\n"
                         "  --port N=DEVICE  offer DEVICE as port N (1 to 16); may be given more than once\n");
}

// Reads the desktop options. Returns false, with a message in *error, for an option this program
// does not know or a --port value it cannot use. Qt's own options are removed by QApplication.
struct DesktopOptions {
    QList<serial::PortPin> pins;
    bool demo = false;
};

bool readOptions(const QStringList &arguments, DesktopOptions *options, QString *error)
{
    for (qsizetype index = 1; index < arguments.size(); ++index) {
        const QString &argument = arguments[index];
        QString value;
        if (argument == QLatin1String("--demo")) {
            options->demo = true;
            continue;
        }
        if (argument == QLatin1String("--port")) {
            if (index + 1 >= arguments.size()) {
                *error = QStringLiteral("--port needs a value, for example --port 1=/dev/ttyUSB0");
                return false;
            }
            value = arguments[++index];
        } else if (argument.startsWith(QLatin1String("--port="))) {
            value = argument.mid(int(sizeof("--port=")) - 1);
        } else {
            *error = QStringLiteral("unknown option '%1'").arg(argument);
            return false;
        }
        const std::optional<serial::PortPin> pin = serial::PortTable::parsePin(value, error);
        if (!pin)
            return false;
        options->pins.append(*pin);
    }
    return true;
}

// The desktop's own options alone, checked before the display is opened so that a wrong value is
// reported even where no window can be shown.
QStringList portOptions(int argc, char **argv)
{
    QStringList result{QString()};
    for (int index = 1; index < argc; ++index) {
        const QString argument = QString::fromLocal8Bit(argv[index]);
        if (argument == QLatin1String("--port")) {
            result.append(argument);
            if (index + 1 < argc)
                result.append(QString::fromLocal8Bit(argv[++index]));
        } else if (argument.startsWith(QLatin1String("--port=")) || argument == QLatin1String("--demo")) {
            result.append(argument);
        }
    }
    return result;
}

int reportBadOptions(const QString &error)
{
    std::fprintf(stderr, "elvaro-q3: %s\n", qPrintable(error));
    printDesktopUsage();
    return kExitUsage;
}

} // namespace

int runDesktop(int argc, char **argv)
{
    DesktopOptions options;
    QString error;
    if (!readOptions(portOptions(argc, argv), &options, &error))
        return reportBadOptions(error);
    if (!DisplayGuard::displayNamed(argc, argv)) {
        DisplayGuard::reportNoDisplay("no display found (neither DISPLAY nor WAYLAND_DISPLAY is set)");
        return DisplayGuard::kExitNoDisplay;
    }

    std::optional<DisplayGuard> displayGuard(std::in_place);
    QApplication application(argc, argv);
    displayGuard.reset();
    QApplication::setApplicationName(QStringLiteral("Elvaro-Q3"));
    options = {};
    if (!readOptions(QApplication::arguments(), &options, &error))
        return reportBadOptions(error);

    // The demonstration: the built-in sample report, sent by a simulated instrument on a
    // pseudo-terminal that the port window offers as port 1.
    serial::InstrumentSimulator simulator(serial::sampleReport(), serial::kLineBaudRate);
    if (options.demo) {
        if (!simulator.start()) {
            std::fprintf(stderr, "elvaro-q3: cannot start the instrument simulator: %s\n",
                         qPrintable(simulator.errorString()));
            return kExitFailure;
        }
        options.pins.prepend(serial::PortPin{1, simulator.devicePath()});
    }

    QtMessageBoxes messages;
    PrintDialog printDialog;
    Module1 module(serial::PortTable::fromSystem(options.pins), messages, printDialog);
    switch (module.Main()) {
    case Module1::Started::Quit:
        return 0;
    case Module1::Started::Failed:
        return kExitFailure;
    case Module1::Started::MainWindowShown:
        break;
    }
    return QApplication::exec();
}

} // namespace elvaro::shell
