#include "cli/CommandHelp.h"

#include "cli/BaudRange.h"
#include "serial/LineSettings.h"
#include "serial/PortPinText.h"
#include "system/ExitCodes.h"

#include <algorithm>
#include <string>

namespace elvaro::cli {

namespace {

const std::string kPortRange =
    std::to_string(serial::kFirstPortNumber) + " to " + std::to_string(serial::kLastPortNumber);
const std::string kLineSettings = std::to_string(serial::kLineBaudRate) + ",N,8,1";

OptionHelp encodingOption(const std::string &what)
{
    return {{"--encoding"},
            "cp437|utf-8",
            "read " + what
                + " in this encoding. By default a file is read as UTF-8\n"
                  "when all of it is valid UTF-8 and it holds a character beyond ASCII,\n"
                  "otherwise as the instrument's code page 437",
            "cp437 or utf-8"};
}

std::string exitStatus(const std::string &success)
{
    return "Exit status: " + std::to_string(system::kExitSuccess) + " " + success + ", "
           + std::to_string(system::kExitFailure) + " failed (the reason on standard error), "
           + std::to_string(system::kExitUsage) + " bad usage.\n";
}

CommandHelp program()
{
    return {"",
            "",
            "",
            "Without a command the desktop program starts; it needs a display.\n",
            {{{"--demo"}, "", "offer a simulated instrument as port 1"},
             {{"--port"},
              "N=DEVICE",
              "offer DEVICE as port N (" + kPortRange + "); may be given more than once",
              "a value, for example --port 1=/dev/ttyUSB0",
              false,
              true},
             {{"--version"}, "", "show the program's name and version", "a value", false, false, true}},
            ""};
}

CommandHelp tree()
{
    return {"tree",
            "[FILE|-]",
            "print the cell tree of a report as JSON",
            "Parses a report (a file, or standard input when FILE is '-' or missing) and prints\n"
            "its cell tree as JSON on standard output. Messages about boxes without a bottom\n"
            "border go to standard error.\n",
            {encodingOption("the report")},
            exitStatus("printed")};
}

CommandHelp convert()
{
    return {"convert",
            "INPUT",
            "convert a report into a workbook (.xlsx) or CSV",
            "Converts a report (a file, or standard input when INPUT is '-') into a worksheet named\n"
            "\"Downloaded\". An existing OUTPUT is replaced; on failure it is left as it was. Messages\n"
            "about boxes without a bottom border go to standard error and the conversion goes on.\n",
            {{{"-o", "--output"},
              "OUTPUT",
              "write to OUTPUT: ending in .xlsx the workbook, in .csv the sheet's values\n"
              "(default: INPUT's name with .xlsx; required when INPUT is '-')",
              "the name of the output file"},
             {{"--no-bom"},
              "",
              "leave out the byte-order mark a .csv file starts with; it is UTF-8, and\n"
              "by the mark spreadsheet programs read characters such as \"\u00b0C\" right"},
             encodingOption("the report")},
            exitStatus("converted")};
}

CommandHelp capture()
{
    return {"capture",
            "",
            "receive a report from a serial port without a window",
            "Receives a report from a serial port at " + kLineSettings
                + " without a window and writes it to\n"
                  "FILE (default: standard output) as it arrives, line-drawing bytes mapped to \"-\", \"|\"\n"
                  "and \"+\", carriage returns and line feeds kept. Ends on Ctrl-C or SIGTERM, or after\n"
                  "SECONDS without a byte.\n",
            {{{"--port"},
              "N",
              "port number N (" + kPortRange + "), numbered as the desktop program numbers them",
              "a port number from " + kPortRange,
              true},
             {{"--device"}, "PATH", "the serial device, for example /dev/ttyUSB0", "the path of a device", true},
             {{"-o", "--output"},
              "FILE",
              "write to FILE (replaced if it exists) instead of standard output",
              "the name of the output file"},
             {{"--idle"},
              "SECONDS",
              "end after SECONDS without a byte (fractions allowed, e.g. 2.5)",
              "a number of seconds"}},
            exitStatus("captured")};
}

CommandHelp simulate()
{
    return {"simulate",
            "[REPORT]",
            "act as the instrument on a pseudo-terminal",
            "Acts as the instrument: opens a pseudo-terminal, prints the path of its device, and every\n"
            "time a program opens that device sends it the file REPORT in the instrument's code page 437\n"
            "(by default a built-in sample report drawn with its line-drawing bytes), paced at the baud\n"
            "rate, 10 bits a byte. A REPORT in UTF-8 is sent in code page 437; a character the code page\n"
            "lacks is sent as '?'. Ctrl-C ends it.\n",
            {{{"--baud"},
              "N",
              "line speed in baud, " + std::to_string(kMinBaudRate) + " to " + std::to_string(kMaxBaudRate)
                  + " (default " + std::to_string(serial::kLineBaudRate) + ")",
              "a whole number from " + std::to_string(kMinBaudRate) + " to " + std::to_string(kMaxBaudRate)},
             {{"--once"}, "", "end after one whole report, once the receiving program has closed the device"},
             encodingOption("REPORT")},
            exitStatus("ended in order")};
}

// Every entry answers -h and --help.
CommandHelp withHelp(CommandHelp command)
{
    command.options.push_back({{"-h", "--help"}, "", "show this help", "a value", false, false, true});
    return command;
}

std::string joined(const std::vector<std::string> &names)
{
    std::string text;
    for (const std::string &name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

std::string optionColumn(const OptionHelp &option)
{
    return joined(option.names) + (option.value.empty() ? "" : " " + option.value);
}

std::string synopsis(const CommandHelp &command)
{
    std::string line = "Usage: elvaro-q3";
    if (!command.name.empty())
        line += " " + command.name;
    if (!command.operands.empty())
        line += " " + command.operands;
    std::string choice;
    const auto endChoice = [&] {
        if (!choice.empty())
            line += " (" + choice + ")";
        choice.clear();
    };
    for (const OptionHelp &option : command.options) {
        if (option.answers)
            continue;
        const std::string shown = option.names.front() + (option.value.empty() ? "" : " " + option.value);
        if (option.oneOf) {
            choice += (choice.empty() ? "" : " | ") + shown;
            continue;
        }
        endChoice();
        line += " [" + shown + "]" + (option.repeatable ? "..." : "");
    }
    endChoice();
    if (command.name.empty())
        line += "\n       elvaro-q3 COMMAND [ARGS...]";
    return line + "\n";
}

std::string optionList(const CommandHelp &command)
{
    std::size_t width = 0;
    for (const OptionHelp &option : command.options)
        width = std::max(width, optionColumn(option).size());
    const std::string indent(2 + width + 2, ' ');
    std::string list;
    for (const OptionHelp &option : command.options) {
        std::string column = optionColumn(option);
        column.resize(width, ' ');
        std::string text = option.text;
        for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', end + 1))
            text.insert(end + 1, indent);
        list += "  " + column + "  " + text + "\n";
    }
    return list;
}

std::string commandList()
{
    std::string list = "Commands (they work without a display):\n";
    for (const CommandHelp &command : commandTable()) {
        if (command.name.empty())
            continue;
        std::string name = command.name;
        name.resize(10, ' ');
        list += "  " + name + " " + command.summary + "\n";
    }
    return list + "\nRun 'elvaro-q3 COMMAND --help' for the options of a command.\n";
}

} // namespace

const std::vector<CommandHelp> &commandTable()
{
    static const std::vector<CommandHelp> table = {withHelp(program()), withHelp(tree()), withHelp(convert()),
                                                   withHelp(capture()), withHelp(simulate())};
    return table;
}

const CommandHelp *findCommandHelp(std::string_view name)
{
    const std::vector<CommandHelp> &table = commandTable();
    const auto found =
        std::find_if(table.begin(), table.end(), [&](const CommandHelp &command) { return command.name == name; });
    return found == table.end() ? nullptr : &*found;
}

std::string usageText(const CommandHelp &command)
{
    std::string text = synopsis(command) + "\n" + command.description + "\n" + optionList(command);
    if (command.name.empty())
        text += "\n" + commandList();
    if (!command.closing.empty())
        text += "\n" + command.closing;
    return text;
}

} // namespace elvaro::cli
