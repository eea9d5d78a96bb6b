#include "ProgramRunner.h"

#include "common/Bytes.h"
#include "workbook/WorkbookTestSupport.h"
#include "serial/SampleReport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

namespace elvaro::testing {
namespace {

using elvaro::testing::bytes;
using ::testing::ElementsAre;

// What convert's .csv files start with: the UTF-8 byte-order mark.
constexpr const char *kMark = "\xEF\xBB\xBF";

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
    EXPECT_EQ(book.cells, (Grid{{"A1", R"(s "REPORT")"},
                                {"B1", R"(s "N. 12")"},
                                {"A2", R"(s "Temp")"},
                                {"B2", "n 21.5"},
                                {"A4", R"(s "OK")"},
                                {"B4", R"(s "done")"}}));
}

TEST_F(ConvertTest, StandardInputWithAMissingBorderIsReportedAndStillConverted)
{
    write("values.csv", "old");
    const Outcome outcome =
        convert({"-", "--output", "values.csv"}, "Zone  0012\r\n+------+\r\n| ab   |\r\n| cd   |\r\n");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "Errore in riga 4, fine casella non trovata\n");
    // The box keeps every line below its top border: its two lines go below the first line.
    EXPECT_EQ(contentOf("values.csv"), kMark + std::string("Zone,0012\r\nab,\r\ncd,\r\n"));
}

TEST_F(ConvertTest, TheOutputKindIsReadFromTheSuffixInAnyCaseAndNoBomLeavesTheMarkOut)
{
    const Outcome outcome = convert({"-", "-o", "Values.CSV"}, "Temp  21.5\r\n");
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(contentOf("Values.CSV"), kMark + std::string("Temp,21.5\r\n"));
    const Outcome bare = convert({"-", "--no-bom", "-o", "bare.csv"}, "Temp  21.5\r\n");
    ASSERT_EQ(bare.status, 0) << bare.err;
    EXPECT_EQ(contentOf("bare.csv"), "Temp,21.5\r\n");
}

// Reports as instruments and other programs write them: every character kept, one column each,
// and a "+" is a box corner only where a box is drawn.
struct CharactersCase {
    const char *name;
    std::string report;
    std::string csv;
};

class ConvertCharactersTest : public ConvertTest, public ::testing::WithParamInterface<CharactersCase> {};

TEST_P(ConvertCharactersTest, KeepsEveryValue)
{
    const Outcome outcome = convert({"-", "-o", "sheet.csv"}, GetParam().report);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(contentOf("sheet.csv"), kMark + GetParam().csv);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, ConvertCharactersTest,
    ::testing::Values(
        // Code page 437: "à" is 133, "°" 248, "²" 253, "µ" 230, "±" 241, "ò" 149; a box below the text.
        CharactersCase{"CodePage437Text",
                       bytes({'U', 'm', 'i', 'd', 'i', 't', 133, ' ', 'r', 'e', 'l', 'a', 't', 'i', 'v', 'a', ' ',
                              ' ', '+', '4', '5', '.', '2', ' ', '%', 13,  10,  'T', 'e', 'm', 'p', ' ', '2', '1',
                              '.', '5', ' ', 248, 'C', ' ', ' ', 'A', 'r', 'e', 'a', ' ', '3', ' ', 'm', 253, ' ',
                              ' ', 230, 'S', '/', 'c', 'm', ' ', ' ', 241, '0', '.', '2', 13,  10,  218, 196, 196,
                              196, 196, 196, 196, 196, 196, 191, 13,  10,  179, ' ', 'N', 'i', 'c', 'c', 'o', 'l',
                              149, 179, 13,  10,  192, 196, 196, 196, 196, 196, 196, 196, 196, 217, 13,  10}),
                       "Umidità relativa,+45.2 %,,\r\nTemp 21.5 °C,Area 3 m²,µS/cm,±0.2\r\nNiccolò,,,\r\n"},
        CharactersCase{"SignedNumbersInText", "Drift +0.4   Offset +0.1\r\nT1  +21.5  +21.3\r\n",
                       "Drift +0.4,Offset +0.1,\r\nT1,+21.5,+21.3\r\n"},
        // Double lines and mixed corners side by side, in code page 437.
        CharactersCase{"DoubleLineBoxes",
                       bytes({201, 205, 205, 205, 205, 205, 205, 205, 205, 205, 205, 187, ' ', 213, 205, 205, 205, 205,
                              205, 205, 184, 13,  10,  186, ' ', 'T', '1', ' ', 'i', 'n', 'l', 'e', 't', ' ', 186, ' ',
                              179, ' ', '+', '2', '1', '.', '5', 179, 13,  10,  200, 205, 205, 205, 205, 205, 205, 205,
                              205, 205, 205, 188, ' ', 212, 205, 205, 205, 205, 205, 205, 190, 13,  10}),
                       "T1 inlet,+21.5\r\n"},
        // UTF-8 from another program: "°C" is one column, so the right-hand box stays in its place.
        CharactersCase{"Utf8Boxes",
                       "┌─────────┐ ┌────────┐\n"
                       "│ T 21 °C │ │ ±0.2 Ω │\n"
                       "│ T 22 °C │ │ ±0.3 Ω │\n"
                       "└─────────┘ └────────┘\n"
                       "════════════════════\n",
                       "T 21 °C,±0.2 Ω\r\nT 22 °C,±0.3 Ω\r\n"},
        CharactersCase{"SeparatorsWriteNothing", "A  B\r\n== -- ==\r\nC  D\r\n", "A,B\r\n,\r\nC,D\r\n"}),
    [](const ::testing::TestParamInfo<CharactersCase> &info) { return info.param.name; });

TEST_F(ConvertTest, TheEncodingCanBeForced)
{
    // "é" in UTF-8 is two bytes, which code page 437 reads as two characters.
    EXPECT_EQ(convert({"-", "-o", "utf8.csv", "--no-bom", "--encoding", "utf-8"}, "caf\xC3\xA9\r\n").status, 0);
    EXPECT_EQ(contentOf("utf8.csv"), "café\r\n");
    EXPECT_EQ(convert({"-", "-o", "cp437.csv", "--no-bom", "--encoding=cp437"}, "caf\xC3\xA9\r\n").status, 0);
    EXPECT_EQ(contentOf("cp437.csv"), "caf+⌐\r\n");
    const Outcome bad = convert({"-", "-o", "x.csv", "--encoding", "latin1"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_THAT(bad.err, ::testing::StartsWith("elvaro-q3 convert: --encoding expects cp437 or utf-8, not 'latin1'"));
    const Outcome notUtf8 = convert({"-", "-o", "x.csv", "--encoding", "utf-8"}, "caf\x82\r\n");
    EXPECT_EQ(notUtf8.status, 1);
    EXPECT_EQ(notUtf8.err, "elvaro-q3 convert: standard input: the report is not UTF-8: line 1 holds a byte that is "
                           "no part of a UTF-8 character. Read it as the instrument's code page with --encoding "
                           "cp437.\n");
}

struct SampleCase {
    const char *name;
    std::string report;
    std::string csv;
};

std::string sampleFile(const char *name)
{
    std::ifstream in(std::string(ELVARO_SAMPLES_DIR) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ConvertSampleTest : public ConvertTest, public ::testing::WithParamInterface<SampleCase> {};

// Every value the report shows is in the sheet once, where the report shows it.
TEST_P(ConvertSampleTest, LosesNoValue)
{
    const Outcome outcome = convert({"-", "-o", "sheet.csv"}, GetParam().report);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(contentOf("sheet.csv"), kMark + GetParam().csv);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, ConvertSampleTest,
    ::testing::Values(
        SampleCase{"Demo",
                   [] {
                       const QByteArray bytes = serial::sampleReport();
                       return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
                   }(),
                   "ELVARO Q3 CONTROLLER,REPORT N. 0107,,\r\n"
                   "Date 06/12/2026,Time 09:15,Line 2,\r\n"
                   ",,,\r\n"
                   "Sensor,Setpoint,Measured,\r\n"
                   "T1 inlet,+21.5,+21.3,\r\n"
                   "T2 outlet,+18.0,-0.4,\r\n"
                   "T3 return,+40.0,+39.8,\r\n"
                   ",,,\r\n"
                   "Cycle summary,,,\r\n"
                   "Pressure,+1.25 bar,,\r\n"
                   "Flow,-3.0 l/min,,\r\n"
                   "Cycles,12,Faults,0\r\n"
                   "Result,PASSED,Operator,________\r\n"},
        // The right border of the "Alarms" line stands one column early, inside the box: it is text there.
        SampleCase{"Boiler", sampleFile("boiler-report.txt"),
                   "ELVARO Q3 CONTROLLER,REPORT N. 0412,,\r\n"
                   "Date 06/12/2026,Time 10:41,,\r\n"
                   ",,,\r\n"
                   "Zone,Setpoint,Measured,\r\n"
                   "Boiler 1,+85.0,+84.6,\r\n"
                   "Boiler 2,+85.0,-2.5,\r\n"
                   ",,,\r\n"
                   "Alarms,|,,\r\n"
                   "Low water,0 events,,\r\n"
                   "Overheat,2 events,,\r\n"
                   "Operator,M. Rossi,Signature,________\r\n"},
        SampleCase{"PressureTest", sampleFile("pressure-test.txt"),
                   "LINE 3 PRESSURE TEST,,\r\nBar,Min,Max\r\n12.5,11.9,13.1\r\nResult,PASSED,Drift +0.4\r\n"},
        SampleCase{"WorkedExample", sampleFile("worked-example.txt"), "REPORT,N. 12\r\nTemp,21.5\r\n,\r\nOK,done\r\n"}),
    [](const ::testing::TestParamInfo<SampleCase> &info) { return info.param.name; });

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

std::string crowdedReport()
{
    // Four lines of 10,000 runs: 40,000 cells outside any box, more than one box can hold.
    std::string line;
    for (int run = 0; run < 10'000; ++run)
        line += "v  ";
    line += "\r\n";
    return line + line + line + line;
}

INSTANTIATE_TEST_SUITE_P(
    Reports, ConvertFailureTest,
    ::testing::Values(std::tuple{"empty.txt", "", "elvaro-q3 convert: empty.txt: Empty String\n"},
                      std::tuple{"crowded.txt", crowdedReport(),
                                 "elvaro-q3 convert: crowded.txt: Overflow: the report holds 40000 cells outside its "
                                 "boxes, more than the 32,767 that one box can hold in the export. Export a smaller "
                                 "part of it.\n"},
                      std::tuple{
                          "book.xlsx", "Temp  21.5\r\n",
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
    EXPECT_EQ(outcome.err,
              "elvaro-q3 convert: out.xlsx: cannot write the workbook: writing the file failed; the disk may "
              "be full, or the file larger than the file-size limit of 4096 bytes (ulimit -f). Free some "
              "space or raise the limit, then try again\n");
    EXPECT_EQ(contentOf("out.xlsx"), "previous");
    EXPECT_THAT(folder.names(), ElementsAre("out.xlsx", "report.txt"));
}

class ConvertUsageTest : public ConvertTest,
                         public ::testing::WithParamInterface<std::pair<std::vector<std::string>, const char *>> {};

TEST_P(ConvertUsageTest, BadUsageExitsWithTwoAndWhereTheUsageIsAndWritesNothing)
{
    write("a.txt", "+---+\r\n| 1 |\r\n+---+\r\n");
    const Outcome outcome = convert(GetParam().first);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.err,
              std::string("elvaro-q3 convert: ") + GetParam().second + "\nRun 'elvaro-q3 convert --help' for usage.\n");
    EXPECT_THAT(folder.names(), ElementsAre("a.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ConvertUsageTest,
    ::testing::Values(
        std::pair{std::vector<std::string>{}, "no INPUT given"},
        std::pair{std::vector<std::string>{"-x", "a.txt"}, "unknown option '-x'"},
        std::pair{std::vector<std::string>{"a.txt", "b.txt"}, "unexpected argument 'b.txt'"},
        std::pair{std::vector<std::string>{"a.txt", "-o"}, "'-o' needs the name of the output file"},
        std::pair{std::vector<std::string>{"a.txt", "-o", ""},
                  "'-o' needs the name of the output file, not an empty name"},
        std::pair{std::vector<std::string>{"a.txt", "--output", ""},
                  "'--output' needs the name of the output file, not an empty name"},
        std::pair{std::vector<std::string>{"a.txt", "-o", "a.pdf"}, "OUTPUT 'a.pdf' must end in .xlsx or .csv"},
        std::pair{std::vector<std::string>{"-"}, "give -o OUTPUT when the report comes from standard input"}));

} // namespace
} // namespace elvaro::testing
