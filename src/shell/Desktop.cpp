#include "shell/Desktop.h"

#include "serial/PortTable.h"
#include "shell/DisplayGuard.h"
#include "shell/Module1.h"
#include "shell/PrintDialog.h"
#include "shell/QtMessageBoxes.h"
#include "simulator/InstrumentSimulator.h"
#include "simulator/SampleReport.h"
#include "system/ExitCodes.h"

#include <QApplication>

#include <cstdio>
#include <optional>

namespace elvaro::shell {

int runDesktop(int argc, char **argv, QList<serial::PortPin> pins, bool demo)
{
    if (!DisplayGuard::displayNamed(argc, argv)) {
        DisplayGuard::reportNoDisplay("no display found (neither DISPLAY nor WAYLAND_DISPLAY is set)");
        return DisplayGuard::kExitNoDisplay;
    }

    std::optional<DisplayGuard> displayGuard(std::in_place);
    QApplication application(argc, argv);
    displayGuard.reset();
    QApplication::setApplicationName(QStringLiteral("Elvaro-Q3"));

    // The demonstration: the built-in sample report, sent by a simulated instrument on a
    // pseudo-terminal that the port window offers as port 1.
    simulator::InstrumentSimulator simulator(simulator::sampleReport(), serial::kLineBaudRate);
    if (demo) {
        if (!simulator.start()) {
            std::fprintf(stderr,
                         "elvaro-q3: the simulated instrument of --demo cannot start (%s). Start without --demo "
                         "and choose the instrument's port.\n",
                         qPrintable(simulator.errorString()));
            return system::kExitFailure;
        }
        pins.prepend(serial::PortPin{1, simulator.devicePath(), QStringLiteral("Simulated instrument (--demo)")});
    }

    QtMessageBoxes messages;
    PrintDialog printDialog;
    Module1 module(serial::PortTable::fromSystem(pins), messages, printDialog);
    switch (module.Main()) {
    case Module1::Started::Quit:
        return system::kExitSuccess;
    case Module1::Started::Failed:
        return system::kExitFailure;
    case Module1::Started::MainWindowShown:
        break;
    }
    return QApplication::exec();
}

} // namespace elvaro::shell
