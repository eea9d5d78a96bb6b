// The serial program: the commands that need the serial line or a pseudo-terminal (Qt Core and
// Qt SerialPort), started by the entry in its place with the same arguments.
#include "cli/CommandMessages.h"
#include "cli/Commands.h"
#include "cli/Program.h"

#include <string_view>
#include <utility>

int main(int argc, char **argv)
{
    using namespace elvaro::cli;
    constexpr std::pair<std::string_view, CommandFunction> kSerialCommands[] = {
        {"capture", runCapture},
        {"simulate", runSimulate},
    };
    const std::string_view name = argc > 1 ? argv[1] : "";
    for (const auto &[command, run] : kSerialCommands) {
        if (command == name)
            return runCommand(command, run, Arguments(argv + 2, argv + argc));
    }
    return CommandMessages().usage("unknown command " + inQuotes(std::string(name)));
}
