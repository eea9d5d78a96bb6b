#include "ConvertRunner.h"

#include "export/WorkbookReadback.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace elvaro::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using Cells = std::map<std::string, std::string>;

std::string contentOf(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

class ConvertTest : public ::testing::Test {
protected:
    void write(const std::string &name, const std::string &content)
    {
        std::ofstream(folder.file(name), std::ios::binary) << content;
    }

    Outcome convert(const std::vector<std::string> &args, const std::string &input = {},
                    rlim_t fileSizeLimit = RLIM_INFINITY)
    {
        std::vector<std::string> all{"convert"};
        all.insert(all.end(), args.begin(), args.end());
        return runProgram(all, folder.path().string(), input, fileSizeLimit);
    }

    TemporaryFolder folder;
};

// --- Conversions --------------------------------------------------------------------------

TEST_F(ConvertTest, SampleReportBecomesAWorkbookNamedAfterIt)
{
    std::filesystem::copy_file(std::string(ELVARO_SAMPLES_DIR) + "/worked-example.txt", folder.file("report.txt"));
    const Outcome outcome = convert({"report.txt"});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    const Readback book = readWorkbook(folder.file("report.xlsx"));
    EXPECT_EQ(book.sheets, R"(["Downloaded"])");
    EXPECT_EQ(book.selection, "A1 A1");
    EXPECT_EQ(book.merged, 0);
    EXPECT_THAT(book.columns, ElementsAre(std::string("1 16384 ") + kUniformAlignment));
    EXPECT_EQ(book.cells, (Cells{{"A1", R"(s "REPORT")"}, {"B1", R"(s "Temp")"}, {"C1", R"(s "N. 12")"},
                                 {"D1", "n 21.5"}, {"A3", R"(s "OK")"}, {"B3", R"(s "done")"}}));
    EXPECT_EQ(book.formats.at("D1"), kUniformAlignment);
}

TEST_F(ConvertTest, StandardInputConvertsToCsv)
{
    const Outcome outcome = convert({"-", "-o", "values.csv"}, "Zone  Setpoint\r\n+------+\r\n| 0012 |\r\n+------+\r\n");
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    // The box shares band 0 with the first line and stands before "Setpoint".
    EXPECT_EQ(contentOf(folder.file("values.csv")), "Zone,0012,Setpoint\r\n");
}

TEST_F(ConvertTest, MissingBottomBorderIsReportedAndTheConversionGoesOn)
{
    write("open.txt", "+------+\r\n| ab   |\r\n| cd   |\r\n");
    const Outcome outcome = convert({"open.txt", "--output", "open.csv"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "Errore in riga 3, fine casella non trovata\n");
    EXPECT_EQ(contentOf(folder.file("open.csv")), "ab,cd\r\n");
}

TEST_F(ConvertTest, AnExistingOutputIsReplaced)
{
    write("report.txt", "new  values\r\n");
    write("out.csv", "old");
    ASSERT_EQ(convert({"report.txt", "-o", "out.csv"}).status, 0);
    EXPECT_EQ(contentOf(folder.file("out.csv")), "new,values\r\n");
}

// --- Failures -----------------------------------------------------------------------------

TEST_F(ConvertTest, EmptyReportSaysEmptyStringAndWritesNothing)
{
    write("empty.txt", "");
    const Outcome outcome = convert({"empty.txt"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "elvaro-q3 convert: empty.txt: Empty String\n");
    EXPECT_THAT(folder.names(), ElementsAre("empty.txt"));
}

TEST_F(ConvertTest, MissingInputIsNamedWithTheReason)
{
    const Outcome outcome = convert({"nothing.txt"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "elvaro-q3 convert: nothing.txt: No such file or directory\n");
    EXPECT_TRUE(folder.names().empty());
}

TEST_F(ConvertTest, BandWiderThanTheSheetFailsWithoutOutput)
{
    // Two lines of 10,000 runs share band 0: 20,000 columns.
    std::string wide;
    for (int line = 0; line < 2; ++line) {
        for (int run = 0; run < 10'000; ++run)
            wide += "v  ";
        wide += "\r\n";
    }
    write("wide.txt", wide);
    const Outcome outcome = convert({"wide.txt"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "elvaro-q3 convert: wide.txt: Column 16385 is outside the worksheet, whose columns "
                           "run from 1 (A) to 16,384 (XFD).\n");
    EXPECT_THAT(folder.names(), ElementsAre("wide.txt"));
}

TEST_F(ConvertTest, OutputThatIsTheInputIsRefused)
{
    write("book.xlsx", "Temp  21.5\r\n");
    const Outcome outcome = convert({"book.xlsx"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "elvaro-q3 convert: book.xlsx: is the input itself; choose another OUTPUT with -o\n");
    EXPECT_EQ(contentOf(folder.file("book.xlsx")), "Temp  21.5\r\n");
}

TEST_F(ConvertTest, FailedWriteLeavesThePreviousOutputAndNoTemporaryFile)
{
    std::string report;
    for (int line = 0; line < 3000; ++line)
        report += "Sample " + std::to_string(line) + "  value " + std::to_string(line * 7) + "\r\n";
    write("report.txt", report);
    write("out.xlsx", "previous");
    const Outcome outcome = convert({"report.txt", "-o", "out.xlsx"}, {}, 4096);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_THAT(outcome.err, HasSubstr("elvaro-q3 convert: out.xlsx: cannot write the workbook: writing the file "
                                       "failed; the disk may be full"));
    EXPECT_EQ(contentOf(folder.file("out.xlsx")), "previous");
    EXPECT_THAT(folder.names(), ElementsAre("out.xlsx", "report.txt"));
}

// --- Usage --------------------------------------------------------------------------------

struct Usage {
    const char *label;
    std::vector<std::string> args;
    const char *reason;
};

class ConvertUsageTest : public ConvertTest, public ::testing::WithParamInterface<Usage> {};

TEST_P(ConvertUsageTest, BadUsageExitsWithTwoAndTheUsage)
{
    const Outcome outcome = convert(GetParam().args);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_THAT(outcome.err, StartsWith(std::string("elvaro-q3 convert: ") + GetParam().reason + "\nUsage: "));
    EXPECT_TRUE(folder.names().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ConvertUsageTest,
    ::testing::Values(Usage{"NoInput", {}, "no INPUT given"},
                      Usage{"UnknownOption", {"-x", "a.txt"}, "unexpected argument '-x'"},
                      Usage{"TwoInputs", {"a.txt", "b.txt"}, "unexpected argument 'b.txt'"},
                      Usage{"OutputMissing", {"a.txt", "-o"}, "'-o' needs the name of the output file"},
                      Usage{"OutputType", {"a.txt", "-o", "a.pdf"}, "OUTPUT 'a.pdf' must end in .xlsx or .csv"},
                      Usage{"StdinWithoutOutput", {"-"}, "give -o OUTPUT when the report comes from standard input"}),
    [](const auto &info) { return std::string(info.param.label); });

TEST_F(ConvertTest, HelpGoesToStandardOutput)
{
    const Outcome outcome = convert({"--help"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_THAT(outcome.out, StartsWith("Usage: elvaro-q3 convert INPUT [-o OUTPUT]\n"));
    EXPECT_EQ(outcome.err, "");
}

} // namespace
} // namespace elvaro::testing
