// The desktop program, started by the entry in its place once the desktop's options have been
// read there: they are read again here, for the window.
#include "cli/CommandMessages.h"
#include "cli/Program.h"
#include "serial/PortTable.h"
#include "shell/Desktop.h"
#include "system/ExitCodes.h"

#include <QList>
#include <QString>

#include <optional>

int main(int argc, char **argv)
{
    using namespace elvaro;
    std::optional<cli::DesktopOptions> options;
    try {
        options = cli::readDesktopOptions(cli::Arguments(argv + 1, argv + argc));
    } catch (const cli::UsageError &problem) {
        return cli::CommandMessages().usage(problem.what());
    }
    if (!options)
        return system::kExitSuccess;
    QList<serial::PortPin> pins;
    for (const serial::PortPinText &pin : options->pins)
        pins.append(serial::PortPin{pin.port, QString::fromLocal8Bit(pin.device)});
    return shell::runDesktop(argc, argv, pins, options->demo);
}
