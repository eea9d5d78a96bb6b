#include "cli/CommandMessages.h"

#include "system/ExitCodes.h"

#include <cstdio>

#include <unistd.h>

namespace elvaro::cli {

CommandMessages::CommandMessages(std::string_view command)
{
    m_invocation.append(" ").append(command);
}

int CommandMessages::usage(std::string_view problem) const
{
    print(problem);
    std::fprintf(stderr, "Run '%s --help' for usage.\n", m_invocation.c_str());
    return system::kExitUsage;
}

int CommandMessages::failure(std::string_view message) const
{
    print(message);
    return system::kExitFailure;
}

int CommandMessages::failure(std::string_view file, std::string_view reason) const
{
    return failure(std::string(file).append(": ").append(reason));
}

void CommandMessages::warning(std::string_view message) const
{
    print(message);
}

void CommandMessages::notice(std::string_view message) const
{
    if (::isatty(STDERR_FILENO))
        print(message);
}

void CommandMessages::print(std::string_view message) const
{
    std::fprintf(stderr, "%s: %.*s\n", m_invocation.c_str(), static_cast<int>(message.size()), message.data());
}

} // namespace elvaro::cli
