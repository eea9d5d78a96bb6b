#pragma once

#include "system/Error.h"

#include <functional>
#include <string>
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

// Reads arguments left to right. An option is one of the names declared here; a long option
// that takes a value may also be written "--name=VALUE". "--" ends the options; a lone "-" is
// an operand (standard input or output). "--help" and "-h" print the usage. Problems are thrown
// as UsageError, by the parser for unknown options and missing values, by the handlers for values
// they cannot use.
class OptionParser {
public:
    using FlagHandler = std::function<void()>;
    using ValueHandler = std::function<void(const std::string &value)>;
    using OperandHandler = std::function<void(const std::string &operand)>;
    using AnswerText = std::function<std::string()>;
    // Options read by someone else (Qt's own options of the desktop program): how many arguments
    // from `index` on belong to one of them, 0 when none does.
    using ForeignOptions = std::function<std::size_t(const Arguments &args, std::size_t index)>;

    explicit OptionParser(std::string usage);

    void addFlag(std::vector<std::string> names, FlagHandler handle);

    // `whenMissing` is the problem told when no value follows; by default "NAME needs a value".
    void addValue(std::vector<std::string> names, ValueHandler handle, std::string whenMissing = {});

    // An option that prints a text on standard output and ends the reading, as --help does.
    void addAnswer(std::vector<std::string> names, AnswerText text);

    // By default an operand is an unexpected argument.
    void setOperands(OperandHandler handle);

    void setForeignOptions(ForeignOptions count);

    // Reads `args`. Returns false when an answer such as the usage has been printed: the caller
    // then does nothing more and exits with success.
    bool parse(const Arguments &args) const;

private:
    enum class Kind { Flag, Value, Answer };

    struct Option {
        std::vector<std::string> names;
        Kind kind = Kind::Flag;
        FlagHandler flag;
        ValueHandler value;
        AnswerText answer;
        std::string whenMissing;
    };

    Option &add(std::vector<std::string> names, Kind kind);
    const Option *find(const std::string &name) const;

    std::vector<Option> m_options;
    OperandHandler m_operands;
    ForeignOptions m_foreign;
};

// The argument in the quotes the messages use: 'b.txt'.
std::string inQuotes(const std::string &argument);

} // namespace elvaro::cli
