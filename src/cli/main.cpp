#include "cli/Commands.h"
#include "shell/Desktop.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

struct Subcommand {
    std::string_view name;
    int (*run)(const elvaro::cli::Arguments &);
    std::string_view summary;
};

constexpr Subcommand kSubcommands[] = {
    {"tree", elvaro::cli::runTree, "print the cell tree of a report as JSON"},
    {"convert", elvaro::cli::runConvert, "convert a report into a workbook (.xlsx) or CSV"},
    {"capture", elvaro::cli::runCapture, "receive a report from a serial port without a window"},
    {"simulate", elvaro::cli::runSimulate, "act as the instrument on a pseudo-terminal"},
};

void printUsage(std::FILE *out)
{
    std::fprintf(out,
                 "Usage: elvaro-q3 [--port N=DEVICE]... [--demo]\n"
                 "       elvaro-q3 COMMAND [ARGS...]\n\n"
                 "Without a command the desktop program starts.\n\nCommands:\n");
    for (const Subcommand &command : kSubcommands)
        std::fprintf(out, "  %-10s %s\n", command.name.data(), command.summary.data());
    std::fprintf(out, "\nRun 'elvaro-q3 COMMAND --help' for the options of a command.\n");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2) {
        const std::string_view first = argv[1];
        if (first == "--help" || first == "-h") {
            printUsage(stdout);
            return 0;
        }
        for (const Subcommand &command : kSubcommands) {
            if (first == command.name)
                return command.run(elvaro::cli::Arguments(argv + 2, argv + argc));
        }
        if (!first.starts_with("-")) {
            std::fprintf(stderr, "elvaro-q3: unknown command '%s'\n\n", argv[1]);
            printUsage(stderr);
            return 2;
        }
    }
    return elvaro::shell::runDesktop(argc, argv);
}
