#pragma once

#include <new>
#include <string>
#include <string_view>

// What the program and its commands say on standard error: one line each, starting with
// "elvaro-q3: " or "elvaro-q3 COMMAND: ".
namespace elvaro::cli {

inline constexpr std::string_view kProgramName = "elvaro-q3";

class CommandMessages {
public:
    // No command: the program itself speaks.
    CommandMessages() = default;
    explicit CommandMessages(std::string_view command);

    // Bad usage: the problem and where the usage is; returns kExitUsage.
    int usage(std::string_view problem) const;

    // A failure of the work; returns kExitFailure.
    int failure(std::string_view message) const;
    // A message in a Qt string, from the commands that run on Qt; the entry itself has no Qt.
    template <typename QtText>
    requires requires(const QtText &text) { text.toLocal8Bit().toStdString(); }
    int failure(const QtText &message) const { return failure(std::string_view(message.toLocal8Bit().toStdString())); }
    // A failure with one file, named before the reason.
    int failure(std::string_view file, std::string_view reason) const;

    // Something the user should know while the work goes on, always printed.
    void warning(std::string_view message) const;

    // A line that tells what goes on, on a terminal only.
    void notice(std::string_view message) const;

    // Runs `work` and returns its exit code. When memory runs out on the way, the message that
    // `outOfMemory` gives at that moment (it may tell how far the work got) is the failure.
    template <typename Work, typename Message>
    int failWhenOutOfMemory(Work &&work, Message &&outOfMemory) const
    {
        try {
            return work();
        } catch (const std::bad_alloc &) {
            return failure(outOfMemory());
        }
    }

private:
    void print(std::string_view message) const;

    std::string m_invocation{kProgramName};
};

} // namespace elvaro::cli
