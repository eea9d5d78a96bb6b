// A file of its own, so that the serial program takes it without the entry's commands.
#include "cli/CommandMessages.h"
#include "cli/Program.h"

namespace elvaro::cli {

int runCommand(std::string_view name, CommandFunction run, const Arguments &args)
{
    const CommandMessages messages(name);
    try {
        return run(args, messages);
    } catch (const UsageError &problem) {
        return messages.usage(problem.what());
    }
}

} // namespace elvaro::cli
