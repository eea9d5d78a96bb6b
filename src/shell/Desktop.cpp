#include "shell/Desktop.h"

#include "serial/PortTable.h"
#include "shell/Module1.h"
#include "shell/PrintDialog.h"
#include "shell/QtMessageBoxes.h"

#include <QApplication>

#include <cstdio>

namespace elvaro::shell {

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void printDesktopUsage()
{
    std::fprintf(stderr, "Usage: elvaro-q3 [--port N=DEVICE]...\n"
                         "  --port N=DEVICE  offer DEVICE as port N (1 to 16); may be given more than once\n");
}

} // namespace

int runDesktop(int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Elvaro-Q3"));

    QList<serial::PortPin> pins;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype index = 1; index < arguments.size(); ++index) {
        const QString &argument = arguments[index];
        QString value;
        if (argument == QLatin1String("--port")) {
            if (index + 1 >= arguments.size()) {
                std::fprintf(stderr, "elvaro-q3: --port needs a value, for example --port 1=/dev/ttyUSB0\n");
                return kExitUsage;
            }
            value = arguments[++index];
        } else if (argument.startsWith(QLatin1String("--port="))) {
            value = argument.mid(int(sizeof("--port=")) - 1);
        } else {
            std::fprintf(stderr, "elvaro-q3: unknown option '%s'\n", qPrintable(argument));
            printDesktopUsage();
            return kExitUsage;
        }
        QString error;
        const std::optional<serial::PortPin> pin = serial::PortTable::parsePin(value, &error);
        if (!pin) {
            std::fprintf(stderr, "elvaro-q3: %s\n", qPrintable(error));
            return kExitUsage;
        }
        pins.append(*pin);
    }

    QtMessageBoxes messages;
    PrintDialog printDialog;
    Module1 module(serial::PortTable::fromSystem(pins), messages, printDialog);
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
