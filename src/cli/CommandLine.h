#pragma once

#include "cli/CommandHelp.h"
#include "system/Error.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Reading the command line: one parser for the program's own options and for every command's.
namespace elvaro::cli {

using Arguments = std::vector<std::string>;

// What is wrong with the command line, as one phrase ("unknown option '--colour'"). Whoever
// runs the command prints it with the hint where the usage is, and exits with kExitUsage.
class UsageError : public Error {
public:
    using Error::Error;
};

// Reads arguments left to right. The options are those of the command's entry in the command
// table (CommandHelp.h); each gets its handler from the command, and "--help" and "-h" print the
// command's usage. A long option that takes a value may also be written "--name=VALUE". "--"
// ends the options; a lone "-" is an operand (standard input or output). Problems are thrown as
// UsageError, by the parser for unknown options and missing values, by the handlers for values
// they cannot use. A handler for an option the table lacks, or an option of the table left
// without one, is a mistake of the program: std::logic_error.
class OptionParser {
public:
    using FlagHandler = std::function<void()>;
    using ValueHandler = std::function<void(const std::string &value)>;
    using OperandHandler = std::function<void(const std::string &operand)>;
    using AnswerText = std::function<std::string()>;
    // Options read by someone else (Qt's own options of the desktop program): how many arguments
    // from `index` on belong to one of them, 0 when none does.
    using ForeignOptions = std::function<std::size_t(const Arguments &args, std::size_t index)>;

    // `command` outlives the parser.
    explicit OptionParser(const CommandHelp &command);

    void addFlag(std::string_view name, FlagHandler handle);
    void addValue(std::string_view name, ValueHandler handle);
    // An option that prints a text on standard output and ends the reading, as --help does.
    void addAnswer(std::string_view name, AnswerText text);

    // By default an operand is an unexpected argument.
    void setOperands(OperandHandler handle);

    void setForeignOptions(ForeignOptions count);

    // Reads `args`. Returns false when an answer such as the usage has been printed: the caller
    // then does nothing more and exits with success.
    bool parse(const Arguments &args) const;

private:
    enum class Kind { Unhandled, Flag, Value, Answer };

    struct Option {
        const OptionHelp *help = nullptr;
        Kind kind = Kind::Unhandled;
        FlagHandler flag;
        ValueHandler value;
        AnswerText answer;
    };

    Option &handled(std::string_view name, Kind kind);
    const Option *find(std::string_view name) const;

    std::vector<Option> m_options;
    OperandHandler m_operands;
    ForeignOptions m_foreign;
};

// The argument in the quotes the messages use: 'b.txt'.
std::string inQuotes(const std::string &argument);

} // namespace elvaro::cli
