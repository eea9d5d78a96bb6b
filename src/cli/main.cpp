#include "cli/Program.h"
#include "shell/Desktop.h"

#include <variant>

int main(int argc, char **argv)
{
    const std::variant<int, elvaro::cli::DesktopOptions> entry = elvaro::cli::runCommandLine(argc, argv);
    if (const int *exitCode = std::get_if<int>(&entry))
        return *exitCode;
    const elvaro::cli::DesktopOptions &desktop = std::get<elvaro::cli::DesktopOptions>(entry);
    return elvaro::shell::runDesktop(argc, argv, desktop.pins, desktop.demo);
}
