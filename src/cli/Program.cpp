#include "cli/Program.h"

#include "cli/CommandMessages.h"
#include "cli/Commands.h"
#include "cli/ProgramPart.h"
#include "system/ExitCodes.h"
#include "system/ProgramTitle.h"
#include "system/Version.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace elvaro::cli {

namespace {

// The commands that run in the entry; the others of the command table run in the serial program.
struct Command {
    std::string_view name;
    CommandFunction run;
};

constexpr Command kCommands[] = {
    {"tree", runTree},
    {"convert", runConvert},
};

CommandFunction entryCommand(std::string_view name)
{
    const auto found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [&](const Command &command) { return command.name == name; });
    return found == std::end(kCommands) ? nullptr : found->run;
}

std::string versionText()
{
    return std::string(kProgramName) + " (" + std::string(system::kProgramTitle) + ") " + std::string(system::kVersion)
           + "\n";
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

serial::PortPinText readPin(const std::string &value)
{
    try {
        return serial::readPortPin(value);
    } catch (const Error &problem) {
        throw UsageError(problem.what());
    }
}

} // namespace

std::optional<DesktopOptions> readDesktopOptions(const Arguments &args)
{
    DesktopOptions options;
    OptionParser parser(*findCommandHelp(""));
    parser.addAnswer("--version", versionText);
    parser.addFlag("--demo", [&] { options.demo = true; });
    parser.addValue("--port", [&](const std::string &value) { options.pins.push_back(readPin(value)); });
    parser.setForeignOptions(qtOptionLength);
    if (!parser.parse(args))
        return std::nullopt;
    const bool portOneTaken = std::any_of(options.pins.cbegin(), options.pins.cend(),
                                          [](const serial::PortPinText &pin) { return pin.port == 1; });
    if (options.demo && portOneTaken)
        throw UsageError("--demo offers the simulated instrument as port 1, which --port 1=DEVICE also names; give "
                         "DEVICE another number or leave out --demo");
    return options;
}

int runCommandLine(int argc, char **argv)
{
    const Arguments args(argv + 1, argv + argc);
    const CommandMessages messages;
    if (!args.empty() && !args.front().starts_with("-")) {
        const CommandHelp *command = args.front().empty() ? nullptr : findCommandHelp(args.front());
        if (!command)
            return messages.usage("unknown command " + inQuotes(args.front()));
        const CommandFunction run = entryCommand(command->name);
        if (!run)
            return continueInPart(kSerialProgram, argv);
        return runCommand(command->name, run, Arguments(args.begin() + 1, args.end()));
    }
    try {
        if (!readDesktopOptions(args))
            return system::kExitSuccess;
    } catch (const UsageError &problem) {
        return messages.usage(problem.what());
    }
    return continueInPart(kDesktopProgram, argv);
}

} // namespace elvaro::cli
