#include "ProgramRunner.h"

#include "export/ExportTesting.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

namespace elvaro::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

class ConvertTest : public ::testing::Test {
protected:
    void write(const std::string &name, const std::string &content)
    {
        std::ofstream(folder.file(name), std::ios::binary) << content;
    }

    std::string contentOf(const std::string &name)
    {
        std::ifstream in(folder.file(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    Outcome convert(std::vector<std::string> args, const std::string &input = {}, rlim_t fileSizeLimit = RLIM_INFINITY)
    {
        args.insert(args.begin(), "convert");
        return runProgram(args, folder.path().string(), input, fileSizeLimit);
    }

    TemporaryFolder folder;
};

TEST_F(ConvertTest, SampleReportBecomesAWorkbookNamedAfterIt)
{
    std::filesystem::copy_file(ELVARO_SAMPLES_DIR "/worked-example.txt", folder.file("report.txt"));
    const Outcome outcome = convert({"report.txt"});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    const Readback book = readWorkbook(folder.file("report.xlsx"));
    EXPECT_EQ(book.records.at("sheets"), R"(["Downloaded"])");
    EXPECT_EQ(book.records.at("selection"), "A1 A1");
    EXPECT_EQ(book.cells, (Grid{{"A1", R"(s "REPORT")"}, {"B1", R"(s "Temp")"}, {"C1", R"(s "N. 12")"},
                                {"D1", "n 21.5"}, {"A3", R"(s "OK")"}, {"B3", R"(s "done")"}}));
}

TEST_F(ConvertTest, StandardInputWithAMissingBorderIsReportedAndStillConverted)
{
    write("values.csv", "old");
    const Outcome outcome = convert({"-", "--output", "values.csv"}, "Zone  0012\r\n+------+\r\n| ab   |\r\n| cd   |\r\n");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "Errore in riga 4, fine casella non trovata\n");
    // The box shares band 0 with the first line; "0012" comes after it and replaces its "cd".
    EXPECT_EQ(contentOf("values.csv"), "Zone,ab,0012\r\n");
}

class ConvertFailureTest : public ConvertTest,
                           public ::testing::WithParamInterface<std::tuple<std::string, std::string, const char *>> {};

// Each failure names the file and the reason on one line, exits with 1 and writes no output.
TEST_P(ConvertFailureTest, NamesTheFileAndTheReason)
{
    const auto &[name, content, message] = GetParam();
    write(name, content);
    const Outcome outcome = convert({name});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, message);
    EXPECT_THAT(folder.names(), ElementsAre(name));
}

std::string wideReport()
{
    // Two lines of 10,000 runs share band 0: 20,000 columns.
    std::string line;
    for (int run = 0; run < 10'000; ++run)
        line += "v  ";
    return line + "\r\n" + line + "\r\n";
}

INSTANTIATE_TEST_SUITE_P(
    Reports, ConvertFailureTest,
    ::testing::Values(std::tuple{"empty.txt", "", "elvaro-q3 convert: empty.txt: Empty String\n"},
                      std::tuple{"wide.txt", wideReport(),
                                 "elvaro-q3 convert: wide.txt: Column 16385 is outside the worksheet, whose columns run "
                                 "from 1 (A) to 16,384 (XFD).\n"},
                      std::tuple{"book.xlsx", "Temp  21.5\r\n",
                                 "elvaro-q3 convert: book.xlsx: is the input itself; choose another OUTPUT with -o\n"}));

TEST_F(ConvertTest, FailedWriteLeavesThePreviousOutputAndNoTemporaryFile)
{
    std::string report;
    for (int line = 0; line < 3000; ++line)
        report += "Sample " + std::to_string(line) + "  value " + std::to_string(line * 7) + "\r\n";
    write("report.txt", report);
    write("out.xlsx", "previous");
    const Outcome outcome = convert({"report.txt", "-o", "out.xlsx"}, {}, 4096);
    EXPECT_EQ(outcome.status, 1);
    // One line of ours, none of the .xlsx writer's own.
    EXPECT_EQ(outcome.err, "elvaro-q3 convert: out.xlsx: cannot write the workbook: writing the file failed; the disk may "
                           "be full, or the file larger than the file-size limit of 4096 bytes (ulimit -f). Free some "
                           "space or raise the limit, then try again\n");
    EXPECT_EQ(contentOf("out.xlsx"), "previous");
    EXPECT_THAT(folder.names(), ElementsAre("out.xlsx", "report.txt"));
}

class ConvertUsageTest : public ConvertTest, public ::testing::WithParamInterface<std::pair<std::vector<std::string>, const char *>> {};

TEST_P(ConvertUsageTest, BadUsageExitsWithTwoAndTheUsage)
{
    const Outcome outcome = convert(GetParam().first);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_THAT(outcome.err, StartsWith(std::string("elvaro-q3 convert: ") + GetParam().second + "\nUsage: "));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ConvertUsageTest,
    ::testing::Values(std::pair{std::vector<std::string>{}, "no INPUT given"},
                      std::pair{std::vector<std::string>{"-x", "a.txt"}, "unexpected argument '-x'"},
                      std::pair{std::vector<std::string>{"a.txt", "b.txt"}, "unexpected argument 'b.txt'"},
                      std::pair{std::vector<std::string>{"a.txt", "-o"}, "'-o' needs the name of the output file"},
                      std::pair{std::vector<std::string>{"a.txt", "-o", "a.pdf"}, "OUTPUT 'a.pdf' must end in .xlsx or .csv"},
                      std::pair{std::vector<std::string>{"-"}, "give -o OUTPUT when the report comes from standard input"}));

} // namespace
} // namespace elvaro::testing
