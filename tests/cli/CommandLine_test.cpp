#include "cli/CommandLine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace elvaro::cli {
namespace {

using ::testing::ElementsAre;

// A command as the table declares it: a flag, a value option with two names, one with its own
// missing-value text, an answer. Each run records what the handlers were given.
const CommandHelp kCommand = {"try",
                              "[FILE]",
                              "",
                              "",
                              {{{"--once"}, "", "once"},
                               {{"-o", "--output"}, "OUTPUT", "out"},
                               {{"--baud"}, "N", "speed", "a number"},
                               {{"--version"}, "", "version", "a value", false, false, true},
                               {{"-h", "--help"}, "", "show this help", "a value", false, false, true}},
                              ""};

struct Reading {
    bool flag = false;
    std::vector<std::string> values;
    std::vector<std::string> operands;
    bool ran = false;
    std::optional<std::string> problem;
    std::string printed;
};

Reading read(const Arguments &args)
{
    Reading reading;
    OptionParser parser(kCommand);
    parser.addFlag("--once", [&] { reading.flag = true; });
    parser.addValue("--output", [&](const std::string &value) { reading.values.push_back(value); });
    parser.addValue("--baud", [&](const std::string &value) { reading.values.push_back("baud " + value); });
    parser.addAnswer("--version", [] { return std::string("version\n"); });
    parser.setOperands([&](const std::string &operand) { reading.operands.push_back(operand); });
    ::testing::internal::CaptureStdout();
    try {
        reading.ran = parser.parse(args);
    } catch (const UsageError &error) {
        reading.problem = error.what();
    }
    reading.printed = ::testing::internal::GetCapturedStdout();
    return reading;
}

TEST(OptionParser, BadCommandLinesAreUsageErrorsThatNameTheArgument)
{
    const std::pair<Arguments, std::string> cases[] = {
        {{"--colour=red"}, "unknown option '--colour'"},
        {{"a.txt", "-o"}, "-o needs a value"},
        {{"--baud"}, "--baud needs a number"},
        // Only long options carry their value after "=".
        {{"-o=out.csv"}, "unknown option '-o=out.csv'"},
        {{"--colour", "--help"}, "unknown option '--colour'"},
    };
    for (const auto &[args, problem] : cases)
        EXPECT_EQ(read(args).problem, problem) << args.front();
}

TEST(OptionParser, ReadsOptionsValuesAndOperandsInTheirOrder)
{
    const Reading reading = read({"in.txt", "--output", "a.csv", "--once", "--baud=9600", "-o", "b.csv"});
    EXPECT_TRUE(reading.ran);
    EXPECT_TRUE(reading.flag);
    EXPECT_THAT(reading.values, ElementsAre("a.csv", "baud 9600", "b.csv"));
    EXPECT_THAT(reading.operands, ElementsAre("in.txt"));
    // A value is the next argument whatever it looks like.
    EXPECT_THAT(read({"-o", "--once"}).values, ElementsAre("--once"));
    EXPECT_THAT(read({"--output="}).values, ElementsAre(""));
    EXPECT_THAT(read({"--output=a=b.csv"}).values, ElementsAre("a=b.csv"));
    // A lone dash is an operand; two dashes end the options.
    const Reading ended = read({"-", "--", "--once", "-o"});
    EXPECT_FALSE(ended.flag);
    EXPECT_THAT(ended.operands, ElementsAre("-", "--once", "-o"));
}

TEST(OptionParser, AnswersPrintAndStopTheReadingAndTheHelpComesFromTheTable)
{
    for (const Arguments &args : {Arguments{"--help", "--colour"}, Arguments{"-h"}, Arguments{"--once", "--version"}}) {
        const Reading reading = read(args);
        EXPECT_FALSE(reading.ran) << args.front();
        EXPECT_EQ(reading.problem, std::nullopt) << args.front();
        EXPECT_EQ(reading.printed, args.front() == "--once" ? "version\n" : usageText(kCommand));
    }
    EXPECT_EQ(usageText(kCommand), "Usage: elvaro-q3 try [FILE] [--once] [-o OUTPUT] [--baud N]\n\n\n"
                                   "  --once               once\n"
                                   "  -o, --output OUTPUT  out\n"
                                   "  --baud N             speed\n"
                                   "  --version            version\n"
                                   "  -h, --help           show this help\n");
}

TEST(OptionParser, AnOptionOutsideTheTableOrLeftWithoutAHandlerIsTheProgramsMistake)
{
    OptionParser parser(kCommand);
    EXPECT_THROW(parser.addFlag("--verbose", [] {}), std::logic_error);
    EXPECT_THROW(parser.addFlag("--baud", [] {}), std::logic_error);
    EXPECT_THROW(parser.parse({}), std::logic_error);
}

} // namespace
} // namespace elvaro::cli
