#pragma once

#include "cli/CommandLine.h"
#include "serial/PortPinText.h"

#include <optional>
#include <string_view>
#include <vector>

// The program's entry: what the command line asks for, before any window or display. The entry
// itself uses no Qt: `tree`, `convert`, --help and --version run in it; `capture` and `simulate`
// run in the serial program (Qt Core and Qt SerialPort), the window in the desktop program (Qt
// Widgets). Both are started in the entry's place, with the same arguments and process.
namespace elvaro::cli {

class CommandMessages;

// What the desktop program starts with.
struct DesktopOptions {
    // Ports pinned with --port N=DEVICE, in the order given.
    std::vector<serial::PortPinText> pins;
    // --demo: the built-in simulated instrument is offered as port 1.
    bool demo = false;
};

// Reads the desktop program's options (the arguments after the program's name). Qt's own options
// (-platform, -style...) pass, for the application object to read. Throws UsageError.
// Returns nothing when --help or --version has been answered.
std::optional<DesktopOptions> readDesktopOptions(const Arguments &args);

// Answers the command line: runs a command, prints the help or the version, or reports bad
// usage, and returns the exit code. A command of the serial program, and the desktop once its
// options have been read, replace this process by that program; when it cannot be started, the
// reason is told and the failure returned.
int runCommandLine(int argc, char **argv);

using CommandFunction = int (*)(const Arguments &args, const CommandMessages &messages);

// Runs the command `name` with the arguments after its name; bad usage is told as the command's.
int runCommand(std::string_view name, CommandFunction run, const Arguments &args);

} // namespace elvaro::cli
