#pragma once

#include "serial/PortTable.h"

#include <QList>

// Starts the desktop program (port choice, then the main window) and returns its exit code.
// The command line has been read already: `pins` are the ports given with --port N=DEVICE, `demo`
// offers the built-in simulated instrument as port 1. argc/argv go to Qt, which takes its own
// options (-platform...) from them.
namespace elvaro::shell {

int runDesktop(int argc, char **argv, QList<serial::PortPin> pins, bool demo);

} // namespace elvaro::shell
