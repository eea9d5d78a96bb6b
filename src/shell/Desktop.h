#pragma once

// Starts the desktop program (port choice, then the main window) and returns its exit code.
// argc/argv are the whole command line; the desktop options (--port N=DEVICE, --demo) are read here.
namespace elvaro::shell {

int runDesktop(int argc, char **argv);

} // namespace elvaro::shell
