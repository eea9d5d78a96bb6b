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

// Reads the desktop options. Returns false, with a message in *error, for an option this program
// does not know or a --port value it cannot use. Qt's own options are removed by QApplication.
bool readOptions(const QStringList &arguments, QList<serial::PortPin> *pins, QString *error)
{
    for (qsizetype index = 1; index < arguments.size(); ++index) {
        const QString &argument = arguments[index];
        QString value;
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
        pins->append(*pin);
    }
    return true;
}

// The --port options alone, checked before the display is opened so that a wrong value is
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
        } else if (argument.startsWith(QLatin1String("--port="))) {
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
    QList<serial::PortPin> pins;
    QString error;
    if (!readOptions(portOptions(argc, argv), &pins, &error))
        return reportBadOptions(error);

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Elvaro-Q3"));
    pins.clear();
    if (!readOptions(QApplication::arguments(), &pins, &error))
        return reportBadOptions(error);

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
