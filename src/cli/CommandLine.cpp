#include "cli/CommandLine.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace elvaro::cli {

std::string inQuotes(const std::string &argument)
{
    return "'" + argument + "'";
}

OptionParser::OptionParser(const CommandHelp &command)
    : m_operands([](const std::string &operand) { throw UsageError("unexpected argument " + inQuotes(operand)); })
{
    for (const OptionHelp &help : command.options) {
        Option &option = m_options.emplace_back();
        option.help = &help;
    }
    addAnswer("--help", [&command] { return usageText(command); });
}

OptionParser::Option &OptionParser::handled(std::string_view name, Kind kind)
{
    const Option *known = find(name);
    if (known == nullptr)
        throw std::logic_error("the option " + std::string(name) + " is not in the command's table");
    if ((kind == Kind::Value) == known->help->value.empty())
        throw std::logic_error("the option " + std::string(name) + " is handled as the table does not describe it");
    Option &option = m_options[static_cast<std::size_t>(known - m_options.data())];
    option.kind = kind;
    return option;
}

void OptionParser::addFlag(std::string_view name, FlagHandler handle)
{
    handled(name, Kind::Flag).flag = std::move(handle);
}

void OptionParser::addValue(std::string_view name, ValueHandler handle)
{
    handled(name, Kind::Value).value = std::move(handle);
}

void OptionParser::addAnswer(std::string_view name, AnswerText text)
{
    handled(name, Kind::Answer).answer = std::move(text);
}

void OptionParser::setOperands(OperandHandler handle)
{
    m_operands = std::move(handle);
}

void OptionParser::setForeignOptions(ForeignOptions count)
{
    m_foreign = std::move(count);
}

const OptionParser::Option *OptionParser::find(std::string_view name) const
{
    const auto named = std::find_if(m_options.begin(), m_options.end(), [&](const Option &option) {
        return std::find(option.help->names.begin(), option.help->names.end(), name) != option.help->names.end();
    });
    return named == m_options.end() ? nullptr : &*named;
}

bool OptionParser::parse(const Arguments &args) const
{
    for (const Option &option : m_options) {
        if (option.kind == Kind::Unhandled)
            throw std::logic_error("the option " + option.help->names.back() + " of the table has no handler");
    }
    bool optionsEnded = false;
    for (std::size_t index = 0; index < args.size(); ++index) {
        const std::string &argument = args[index];
        if (optionsEnded || argument == "-" || !argument.starts_with("-")) {
            m_operands(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (m_foreign) {
            if (const std::size_t taken = m_foreign(args, index); taken > 0) {
                index += taken - 1;
                continue;
            }
        }
        // "--name=VALUE": only long options carry their value in the same argument.
        const std::size_t equals = argument.starts_with("--") ? argument.find('=') : std::string::npos;
        const std::string name = argument.substr(0, equals);
        const Option *option = find(name);
        if (option == nullptr)
            throw UsageError("unknown option " + inQuotes(name));
        if (option->kind != Kind::Value && equals != std::string::npos)
            throw UsageError(name + " takes no value");
        switch (option->kind) {
        case Kind::Unhandled:
            break;
        case Kind::Answer:
            std::fputs(option->answer().c_str(), stdout);
            return false;
        case Kind::Flag:
            option->flag();
            break;
        case Kind::Value:
            if (equals != std::string::npos)
                option->value(argument.substr(equals + 1));
            else if (index + 1 < args.size())
                option->value(args[++index]);
            else
                throw UsageError(name + " needs " + option->help->needs);
            break;
        }
    }
    return true;
}

} // namespace elvaro::cli
