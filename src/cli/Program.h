#pragma once

#include "cli/CommandLine.h"
#include "serial/PortTable.h"

#include <QList>

#include <optional>
#include <variant>

// The program's entry: what the command line asks for, before any window or display.
namespace elvaro::cli {

// What the desktop program starts with.
struct DesktopOptions {
    // Ports pinned with --port N=DEVICE, in the order given.
    QList<serial::PortPin> pins;
    // --demo: the built-in simulated instrument is offered as port 1.
    bool demo = false;
};

// Reads the desktop program's options (the arguments after the program's name). Qt's own options
// (-platform, -style...) pass, for the application object to read. Throws UsageError.
// Returns nothing when --help or --version has been answered.
std::optional<DesktopOptions> readDesktopOptions(const Arguments &args);

// Answers the command line: runs a command, prints the help or the version, or reports bad
// usage, and returns the exit code. Returns the desktop options when the desktop program is to
// start: the window is the caller's business.
std::variant<int, DesktopOptions> runCommandLine(int argc, char **argv);

} // namespace elvaro::cli
