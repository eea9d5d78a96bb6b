#include "cli/CommandLine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace elvaro::cli {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A parser as a command declares it: a flag, two value options (one with its own missing-value
// text), an answer and operands. Each run records what the handlers were given.
struct Reading {
    bool flag = false;
    std::vector<std::string> values;
    std::vector<std::string> operands;
    bool ran = false;
    std::optional<std::string> problem;
};

Reading read(const Arguments &args)
{
    Reading reading;
    OptionParser parser("usage\n");
    parser.addFlag({"--once"}, [&] { reading.flag = true; });
    parser.addValue({"-o", "--output"}, [&](const std::string &value) { reading.values.push_back(value); });
    parser.addValue(
        {"--baud"}, [&](const std::string &value) { reading.values.push_back("baud " + value); },
        "--baud needs a number");
    parser.addAnswer({"--version"}, [] { return std::string("version\n"); });
    parser.setOperands([&](const std::string &operand) { reading.operands.push_back(operand); });
    try {
        reading.ran = parser.parse(args);
    } catch (const UsageError &error) {
        reading.problem = error.what();
    }
    return reading;
}

struct ProblemCase {
    const char *name;
    Arguments args;
    std::string problem;
};
void PrintTo(const ProblemCase &example, std::ostream *out)
{
    *out << example.name;
}

class BadCommandLine : public ::testing::TestWithParam<ProblemCase> {};

TEST_P(BadCommandLine, IsAUsageErrorThatNamesTheArgument)
{
    const Reading reading = read(GetParam().args);
    EXPECT_EQ(reading.problem, GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(
    OptionParser, BadCommandLine,
    ::testing::Values(ProblemCase{"UnknownLongOption", {"--colour"}, "unknown option '--colour'"},
                      ProblemCase{"UnknownShortOption", {"-x", "a.txt"}, "unknown option '-x'"},
                      ProblemCase{"UnknownOptionWithAValue", {"--colour=red"}, "unknown option '--colour'"},
                      ProblemCase{"MissingValue", {"a.txt", "-o"}, "-o needs a value"},
                      ProblemCase{"MissingValueWithItsOwnText", {"--baud"}, "--baud needs a number"},
                      ProblemCase{"FlagWithAValue", {"--once=yes"}, "--once takes no value"},
                      // Only long options carry their value after "=".
                      ProblemCase{"ShortOptionWithEquals", {"-o=out.csv"}, "unknown option '-o=out.csv'"}),
    [](const ::testing::TestParamInfo<ProblemCase> &info) { return info.param.name; });

TEST(OptionParser, ReadsOptionsAndOperandsInTheirOrder)
{
    const Reading reading = read({"in.txt", "--output", "a.csv", "--once", "--baud=9600", "-o", "b.csv"});
    EXPECT_TRUE(reading.ran);
    EXPECT_EQ(reading.problem, std::nullopt);
    EXPECT_TRUE(reading.flag);
    EXPECT_THAT(reading.values, ElementsAre("a.csv", "baud 9600", "b.csv"));
    EXPECT_THAT(reading.operands, ElementsAre("in.txt"));
}

TEST(OptionParser, AValueIsTheNextArgumentWhateverItLooksLike)
{
    EXPECT_THAT(read({"-o", "--once"}).values, ElementsAre("--once"));
    EXPECT_THAT(read({"--output="}).values, ElementsAre(""));
    EXPECT_THAT(read({"--output=a=b.csv"}).values, ElementsAre("a=b.csv"));
}

TEST(OptionParser, ALoneDashIsAnOperandAndTwoDashesEndTheOptions)
{
    const Reading reading = read({"-", "--", "--once", "-o"});
    EXPECT_EQ(reading.problem, std::nullopt);
    EXPECT_FALSE(reading.flag);
    EXPECT_THAT(reading.values, IsEmpty());
    EXPECT_THAT(reading.operands, ElementsAre("-", "--once", "-o"));
}

TEST(OptionParser, HelpAndOtherAnswersPrintAndStopTheReading)
{
    for (const Arguments &args :
         {Arguments{"--help", "--colour"}, Arguments{"-h"}, Arguments{"--once", "--version", "x"}}) {
        ::testing::internal::CaptureStdout();
        const Reading reading = read(args);
        const std::string printed = ::testing::internal::GetCapturedStdout();
        EXPECT_FALSE(reading.ran) << args.front();
        EXPECT_EQ(reading.problem, std::nullopt) << args.front();
        EXPECT_EQ(printed, args.front() == "--once" ? "version\n" : "usage\n");
        EXPECT_THAT(reading.operands, IsEmpty());
    }
}

TEST(OptionParser, AProblemBeforeTheHelpIsReported)
{
    EXPECT_EQ(read({"--colour", "--help"}).problem, "unknown option '--colour'");
}

TEST(OptionParser, OperandsAreUnexpectedUnlessTheCommandTakesThem)
{
    OptionParser parser("usage\n");
    try {
        parser.parse({"b.txt"});
        FAIL() << "an operand was taken";
    } catch (const UsageError &error) {
        EXPECT_STREQ(error.what(), "unexpected argument 'b.txt'");
    }
}

TEST(OptionParser, ForeignOptionsPassWithTheArgumentsTheyTake)
{
    Reading reading;
    OptionParser parser("usage\n");
    parser.setOperands([&](const std::string &operand) { reading.operands.push_back(operand); });
    std::vector<std::string> foreign;
    parser.setForeignOptions([&](const Arguments &args, std::size_t index) -> std::size_t {
        if (args[index] != "-platform")
            return 0;
        foreign.push_back(args[index + 1]);
        return 2;
    });
    EXPECT_TRUE(parser.parse({"-platform", "offscreen", "a"}));
    EXPECT_THAT(foreign, ElementsAre("offscreen"));
    EXPECT_THAT(reading.operands, ElementsAre("a"));
}

} // namespace
} // namespace elvaro::cli
