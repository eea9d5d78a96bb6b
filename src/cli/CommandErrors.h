#pragma once

#include <QString>

#include <cstdio>
#include <string>

namespace elvaro::cli {

// A command's problems on standard error, each line starting with "elvaro-q3 COMMAND: ".
class CommandErrors
{
public:
    explicit constexpr CommandErrors(const char *command) : m_command(command) {}

    // Bad usage: the problem and where to find the usage; returns the exit code 2.
    int usage(const std::string &problem) const
    {
        std::fprintf(stderr, "elvaro-q3 %s: %s\nRun 'elvaro-q3 %s --help' for usage.\n", m_command, problem.c_str(),
                     m_command);
        return 2;
    }

    // A failure of the command's work; returns the exit code 1.
    int failure(const QString &message) const
    {
        std::fprintf(stderr, "elvaro-q3 %s: %s\n", m_command, message.toLocal8Bit().constData());
        return 1;
    }

private:
    const char *m_command;
};

} // namespace elvaro::cli
