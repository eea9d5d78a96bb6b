#include "ProgramRunner.h"

#include "workbook/WorkbookTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace elvaro::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string lines(int count, const std::string &line = "7")
{
    std::string text;
    text.reserve(static_cast<std::size_t>(count) * (line.size() + 2));
    for (int i = 0; i < count; ++i)
        text += line + "\r\n";
    return text;
}

// What tree and convert do with inputs a user may hand them by mistake or that push the limits:
// a clear message and exit 1, or a correct result, and never a half-written output.
class BadInput : public ::testing::Test {
protected:
    void write(const std::string &name, const std::string &content)
    {
        std::ofstream(folder.file(name), std::ios::binary) << content;
    }

    Outcome run(std::vector<std::string> args) { return runProgram(args, folder.path().string()); }

    TemporaryFolder folder;
};

TEST_F(BadInput, FilesThatCannotBeReadAreNamedWithTheReason)
{
    std::filesystem::create_directory(folder.file("folder.txt"));
    struct Case {
        std::string input;
        std::string reason;
    };
    for (const Case &c : {Case{"folder.txt", "Is a directory"}, Case{"missing.txt", "No such file or directory"}}) {
        for (const std::vector<std::string> &args : {std::vector<std::string>{"tree", c.input},
                                                     std::vector<std::string>{"convert", c.input, "-o", "out.xlsx"}}) {
            const Outcome result = run(args);
            EXPECT_EQ(result.status, 1) << args[0] << " " << c.input;
            EXPECT_EQ(result.err, "elvaro-q3 " + args[0] + ": " + c.input + ": " + c.reason + "\n");
            EXPECT_EQ(result.out, "");
        }
    }
    EXPECT_THAT(folder.names(), ElementsAre("folder.txt"));

    // A file that cannot be read even by root; the reason depends on the system.
    if (std::filesystem::exists("/proc/1/mem")) {
        const Outcome result = run({"tree", "/proc/1/mem"});
        EXPECT_EQ(result.status, 1);
        EXPECT_THAT(result.err, StartsWith("elvaro-q3 tree: /proc/1/mem: "));
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
    }
}

TEST_F(BadInput, LineCountsAtTheSixteenBitLimit)
{
    write("32766.txt", lines(32766));
    write("32767.txt", lines(32767));

    const Outcome fits = run({"convert", "32766.txt", "-o", "fits.csv"});
    EXPECT_EQ(fits.status, 0) << fits.err;
    std::ifstream csv(folder.file("fits.csv"), std::ios::binary);
    const std::string content(std::istreambuf_iterator<char>(csv), {});
    // Every line has a row of its own.
    EXPECT_EQ(content.substr(0, 12), "\xEF\xBB\xBF"
                                     "7\r\n7\r\n7\r\n");
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 32766);

    const std::string overflow =
        "Overflow: the report has more than 32,766 lines, the most one report can have. Export a smaller part of it.\n";
    const Outcome treeTooLong = run({"tree", "32767.txt"});
    EXPECT_EQ(treeTooLong.status, 1);
    EXPECT_EQ(treeTooLong.err, "elvaro-q3 tree: 32767.txt: " + overflow);
    EXPECT_EQ(treeTooLong.out, "");
    const Outcome convertTooLong = run({"convert", "32767.txt", "-o", "long.xlsx"});
    EXPECT_EQ(convertTooLong.status, 1);
    EXPECT_EQ(convertTooLong.err, "elvaro-q3 convert: 32767.txt: " + overflow);
    EXPECT_FALSE(std::filesystem::exists(folder.file("long.xlsx")));
}

TEST_F(BadInput, BinaryFilesGiveAResultOrTheOverflowError)
{
    std::mt19937 random(11);
    for (int sample = 0; sample < 5; ++sample) {
        std::string bytes(200'000, '\0');
        for (char &c : bytes)
            c = static_cast<char>(random() & 0xff);
        write("binary.bin", bytes);
        const Outcome outcome = run({"convert", "binary.bin", "-o", "binary.xlsx"});
        if (outcome.status == 0) {
            EXPECT_TRUE(std::filesystem::exists(folder.file("binary.xlsx")));
        } else {
            EXPECT_EQ(outcome.status, 1);
            EXPECT_THAT(outcome.err, HasSubstr("elvaro-q3 convert: binary.bin: "));
            EXPECT_FALSE(std::filesystem::exists(folder.file("binary.xlsx")));
        }
        std::filesystem::remove(folder.file("binary.xlsx"));
    }
}

TEST_F(BadInput, AHundredMegabyteReportIsRefusedWithTheLimitNamed)
{
    const std::string line = std::string(3000, 'v') + "  12.5\r\n";
    std::ofstream out(folder.file("huge.txt"), std::ios::binary);
    for (std::size_t written = 0; written < 100'000'000; written += line.size())
        out << line;
    out.close();
    for (const char *command : {"convert", "tree"}) {
        const Outcome outcome = run({command, "huge.txt"});
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.err, std::string("elvaro-q3 ") + command
                                   + ": huge.txt: the report is larger than 64 MiB, the most this program reads; a "
                                     "report of the instrument is far smaller. Check that this is the right file, or "
                                     "cut it into smaller reports.\n");
        EXPECT_EQ(outcome.out, "");
    }
    EXPECT_THAT(folder.names(), ElementsAre("huge.txt"));
}

TEST_F(BadInput, RunningOutOfMemorySaysSoAndEndsCleanly)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer build reserves more address space than the limit allows";
#else
    // 2,000,000 cells: their tree does not fit in 200 MB of address space.
    const std::string line = [] {
        std::string runs;
        for (int run = 0; run < 10000; ++run)
            runs += "a  ";
        return runs + "\r\n";
    }();
    std::string report;
    for (int i = 0; i < 200; ++i)
        report += line;
    write("many.txt", report);
    const Outcome outcome = runProgram({"tree", "many.txt"}, folder.path().string(), {}, RLIM_INFINITY, 200u << 20);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "elvaro-q3 tree: many.txt: Not enough memory to print the tree of the report (6000400 "
                           "characters). Close other programs, or print the tree of a smaller part of it.\n");
#endif
}

} // namespace
} // namespace elvaro::testing
