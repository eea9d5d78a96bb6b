#pragma once

#include <string>
#include <string_view>
#include <vector>

// What the program and each of its commands accept and how their help shows it. The option parser
// takes its options from here, so an option is accepted exactly when its help lists it.
namespace elvaro::cli {

struct OptionHelp {
    // How it is written, the first as the synopsis shows it: {"-o", "--output"}.
    std::vector<std::string> names;
    // The value's placeholder ("OUTPUT"); empty for an option that takes none.
    std::string value;
    // What it does; each "\n" starts a new line of the help.
    std::string text;
    // What the problem says when the value is missing: "NAME needs " and this.
    std::string needs = "a value";
    // Options side by side with `oneOf` set are one required choice: "(--port N | --device PATH)".
    bool oneOf = false;
    // May be given more than once: "[--port N=DEVICE]...".
    bool repeatable = false;
    // Prints a text and ends the reading (--help, --version): no part of the synopsis.
    bool answers = false;
};

struct CommandHelp {
    // Empty for the program itself: the desktop's options, --version and the list of commands.
    std::string name;
    // What stands before the options in the synopsis: "INPUT", "[FILE|-]".
    std::string operands;
    // One line in the program's list of commands.
    std::string summary;
    // Between the synopsis and the options: what the command does.
    std::string description;
    std::vector<OptionHelp> options;
    // After the options: the exit status, a pointer to more help.
    std::string closing;
};

// The program first, then its commands in the order its help lists them.
const std::vector<CommandHelp> &commandTable();

// The entry of `name` ("" for the program); nothing when there is no such command.
const CommandHelp *findCommandHelp(std::string_view name);

// The whole help of a command, as --help prints it.
std::string usageText(const CommandHelp &command);

} // namespace elvaro::cli
