#include "cli/CommandLine.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace elvaro::cli {

std::string inQuotes(const std::string &argument)
{
    return "'" + argument + "'";
}

OptionParser::OptionParser(std::string usage)
    : m_operands([](const std::string &operand) { throw UsageError("unexpected argument " + inQuotes(operand)); })
{
    addAnswer({"--help", "-h"}, [usage = std::move(usage)] { return usage; });
}

OptionParser::Option &OptionParser::add(std::vector<std::string> names, Kind kind)
{
    Option &option = m_options.emplace_back();
    option.names = std::move(names);
    option.kind = kind;
    return option;
}

void OptionParser::addFlag(std::vector<std::string> names, FlagHandler handle)
{
    add(std::move(names), Kind::Flag).flag = std::move(handle);
}

void OptionParser::addValue(std::vector<std::string> names, ValueHandler handle, std::string whenMissing)
{
    if (whenMissing.empty())
        whenMissing = names.front() + " needs a value";
    Option &option = add(std::move(names), Kind::Value);
    option.value = std::move(handle);
    option.whenMissing = std::move(whenMissing);
}

void OptionParser::addAnswer(std::vector<std::string> names, AnswerText text)
{
    add(std::move(names), Kind::Answer).answer = std::move(text);
}

void OptionParser::setOperands(OperandHandler handle)
{
    m_operands = std::move(handle);
}

void OptionParser::setForeignOptions(ForeignOptions count)
{
    m_foreign = std::move(count);
}

const OptionParser::Option *OptionParser::find(const std::string &name) const
{
    const auto named = std::find_if(m_options.begin(), m_options.end(), [&](const Option &option) {
        return std::find(option.names.begin(), option.names.end(), name) != option.names.end();
    });
    return named == m_options.end() ? nullptr : &*named;
}

bool OptionParser::parse(const Arguments &args) const
{
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
                throw UsageError(option->whenMissing);
            break;
        }
    }
    return true;
}

} // namespace elvaro::cli
