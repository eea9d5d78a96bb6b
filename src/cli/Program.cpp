#include "cli/Program.h"

#include "cli/CommandMessages.h"
#include "cli/Commands.h"
#include "system/ExitCodes.h"
#include "system/ProgramTitle.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace elvaro::cli {

namespace {

struct Command {
    std::string_view name;
    int (*run)(const Arguments &, const CommandMessages &);
    std::string_view summary;
};

constexpr Command kCommands[] = {
    {"tree", runTree, "print the cell tree of a report as JSON"},
    {"convert", runConvert, "convert a report into a workbook (.xlsx) or CSV"},
    {"capture", runCapture, "receive a report from a serial port without a window"},
    {"simulate", runSimulate, "act as the instrument on a pseudo-terminal"},
};

const Command *findCommand(std::string_view name)
{
    const auto found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [&](const Command &command) { return command.name == name; });
    return found == std::end(kCommands) ? nullptr : found;
}

std::string programUsage()
{
    std::string usage = "Usage: elvaro-q3 [--demo] [--port N=DEVICE]...\n"
                        "       elvaro-q3 COMMAND [ARGS...]\n"
                        "\n"
                        "Without a command the desktop program starts; it needs a display.\n"
                        "\n"
                        "  --demo           offer a simulated instrument as port 1\n"
                        "  --port N=DEVICE  offer DEVICE as port N ("
                        + std::to_string(serial::PortTable::kFirstPort) + " to "
                        + std::to_string(serial::PortTable::kLastPort)
                        + "); may be given more than once\n"
                          "  --help           show this help\n"
                          "  --version        show the program's name and version\n"
                          "\n"
                          "Commands (they work without a display):\n";
    for (const Command &command : kCommands) {
        std::string name(command.name);
        name.resize(10, ' ');
        usage.append("  ").append(name).append(" ").append(command.summary).append("\n");
    }
    return usage + "\nRun 'elvaro-q3 COMMAND --help' for the options of a command.\n";
}

std::string versionText()
{
    return std::string(kProgramName) + " (" + std::string(system::kProgramTitle) + ") " + ELVARO_VERSION + "\n";
}

// Qt's own options, which the application object reads and removes; Qt takes them with one dash
// or two. Those with a value take it from the next argument, or after "=" where `joined` says so.
struct QtOption {
    std::string_view name;
    bool takesValue;
    bool joined;
};

constexpr QtOption kQtOptions[] = {
    {"platform", true, false},
    {"platformpluginpath", true, false},
    {"platformtheme", true, false},
    {"plugin", true, false},
    {"qwindowgeometry", true, false},
    {"qwindowicon", true, false},
    {"qwindowtitle", true, false},
    {"session", true, false},
    {"display", true, false},
    {"geometry", true, false},
    {"name", true, false},
    {"title", true, false},
    {"visual", true, false},
    {"style", true, true},
    {"stylesheet", true, true},
    {"qmljsdebugger", false, true},
    {"reverse", false, false},
    {"widgetcount", false, false},
    {"nograb", false, false},
    {"dograb", false, false},
    {"testability", false, false},
};

std::size_t qtOptionLength(const Arguments &args, std::size_t index)
{
    std::string_view argument = args[index];
    argument.remove_prefix(argument.starts_with("--") ? 2 : 1);
    const std::size_t equals = argument.find('=');
    const std::string_view name = argument.substr(0, equals);
    const auto option = std::find_if(std::begin(kQtOptions), std::end(kQtOptions),
                                     [&](const QtOption &known) { return known.name == name; });
    if (option == std::end(kQtOptions))
        return 0;
    if (equals != std::string_view::npos)
        return option->joined ? 1 : 0;
    if (!option->takesValue)
        return 1;
    if (index + 1 == args.size())
        throw UsageError(args[index] + " needs a value");
    return 2;
}

serial::PortPin readPin(const std::string &value)
{
    QString error;
    const std::optional<serial::PortPin> pin = serial::PortTable::parsePin(QString::fromLocal8Bit(value), &error);
    if (!pin)
        throw UsageError(error.toLocal8Bit().toStdString());
    return *pin;
}

int runCommand(const Command &command, const Arguments &args)
{
    const CommandMessages messages(command.name);
    try {
        return command.run(args, messages);
    } catch (const UsageError &problem) {
        return messages.usage(problem.what());
    }
}

} // namespace

std::optional<DesktopOptions> readDesktopOptions(const Arguments &args)
{
    DesktopOptions options;
    OptionParser parser(programUsage());
    parser.addAnswer({"--version"}, versionText);
    parser.addFlag({"--demo"}, [&] { options.demo = true; });
    parser.addValue(
        {"--port"}, [&](const std::string &value) { options.pins.append(readPin(value)); },
        "--port needs a value, for example --port 1=/dev/ttyUSB0");
    parser.setForeignOptions(qtOptionLength);
    if (!parser.parse(args))
        return std::nullopt;
    const bool portOneTaken = std::any_of(options.pins.cbegin(), options.pins.cend(),
                                          [](const serial::PortPin &pin) { return pin.port == 1; });
    if (options.demo && portOneTaken)
        throw UsageError("--demo offers the simulated instrument as port 1, which --port 1=DEVICE also names; give "
                         "DEVICE another number or leave out --demo");
    return options;
}

std::variant<int, DesktopOptions> runCommandLine(int argc, char **argv)
{
    const Arguments args(argv + 1, argv + argc);
    const CommandMessages messages;
    if (!args.empty() && !args.front().starts_with("-")) {
        if (const Command *command = findCommand(args.front()))
            return runCommand(*command, Arguments(args.begin() + 1, args.end()));
        return messages.usage("unknown command " + inQuotes(args.front()));
    }
    try {
        std::optional<DesktopOptions> options = readDesktopOptions(args);
        if (!options)
            return system::kExitSuccess;
        return std::move(*options);
    } catch (const UsageError &problem) {
        return messages.usage(problem.what());
    }
}

} // namespace elvaro::cli
