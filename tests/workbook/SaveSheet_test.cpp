#include "ExportTestSupport.h"

#include "export/Application.h"
#include "export/FileError.h"
#include "export/WorkbookError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace elvaro::testing {
namespace {

using ::testing::ElementsAre;

class SaveAsTest : public ::testing::Test {
protected:
    SaveAsTest()
    {
        sheet.setName("Downloaded");
        sheet.Cells().Select();
        application.Selection().setProperty("HorizontalAlignment", excel::xlLeft);
        sheet.Cells().Item(1, 1).Select();
    }

    void put(const std::vector<std::tuple<std::int32_t, std::int32_t, std::string>> &cells)
    {
        for (const auto &[row, column, text] : cells)
            sheet.Cells().Item(row, column).setValue(text);
    }

    excel::Application application;
    excel::Workbook &workbook = application.Workbooks().Add();
    excel::Worksheet &sheet = workbook.Sheets().Add();
    TemporaryFolder folder;
};

TEST_F(SaveAsTest, WorkbookReadsBackWithItsValuesTypesSelectionUniformFormatAndColumnWidths)
{
    const std::string longText(70, 'x');
    put({{1, 1, "Temp"},
         {1, 2, "Temperatur \u00b0C \u00e4\u00f6\u00fc \u00c4\u00d6\u00dc"},
         {1, 4, longText},
         {2, 3, "Low  water"},
         {3, 1, "12.5"},
         {3, 2, "-3"},
         {3, 3, "1e3"},
         {4, 1, "007"},
         {4, 2, "12.5 bar"},
         {4, 3, "1234567890123456789"}});
    const std::string path = folder.file("report.xlsx");
    workbook.SaveAs(path);

    const Readback book = readWorkbook(path);
    EXPECT_EQ(book.records,
              (std::map<std::string, std::string>{{"sheets", R"(["Downloaded"])"},
                                                  {"active", "Downloaded"},
                                                  {"selection", "A1 A1"},
                                                  {"merged", "0"},
                                                  {"columns", std::string("1 16384 ") + kUniformAlignment},
                                                  // As wide as the longest text in characters and one more,
                                                  // at least the default and at most 60.
                                                  {"widths", "1-1:8.43 2-2:22 3-3:20 4-4:60 5-16384:8.43"}}));
    EXPECT_EQ(book.cells, (Grid{{"A1", R"(s "Temp")"},
                                {"B1", R"(s "Temperatur \u00b0C \u00e4\u00f6\u00fc \u00c4\u00d6\u00dc")"},
                                {"D1", "s \"" + longText + "\""},
                                {"C2", R"(s "Low  water")"},
                                {"A3", "n 12.5"},
                                {"B3", "n -3"},
                                {"C3", "n 1000"},
                                {"A4", R"(s "007")"},
                                {"B4", R"(s "12.5 bar")"},
                                {"C4", R"(s "1234567890123456789")"}}));
    EXPECT_EQ(book.numberFormats, (Grid{{"A3", "0.0"}, {"B3", "0"}}));
    for (const auto &[cell, alignment] : book.formats)
        EXPECT_EQ(alignment, kUniformAlignment) << cell;
}

TEST_F(SaveAsTest, ControlCharactersAreKeptEscapedAndTheFileStaysValid)
{
    put({{1, 1, "page\fbreak"},
         {2, 1,
          "\x1b"
          "E bold\r"},
         {3, 1, std::string("nul\0end", 7)},
         {4, 1, "_x0041_ as typed"}});
    const std::string path = folder.file("control.xlsx");
    workbook.SaveAs(path);
    EXPECT_EQ(readWorkbook(path).cells, (Grid{{"A1", R"(s "page\fbreak")"},
                                              {"A2", R"(s "\u001bE bold\r")"},
                                              {"A3", R"(s "nul\u0000end")"},
                                              {"A4", R"(s "_x0041_ as typed")"}}));
}

TEST_F(SaveAsTest, CsvQuotesWhatNeedsQuotingAndFillsTheGrid)
{
    put({{1, 1, "plain"},
         {1, 3, "a,b"},
         {3, 2, "say \"hi\""},
         {3, 4, "two\nlines"},
         {4, 1, "007"},
         {4, 2, "cr\rhere"}});
    const std::string path = folder.file("values.csv");
    workbook.SaveAs(path);
    EXPECT_EQ(contentOf(path),
              "plain,,\"a,b\",\r\n,,,\r\n,\"say \"\"hi\"\"\",,\"two\nlines\"\r\n007,\"cr\rhere\",,\r\n");
    // A new file gets the usual permissions, not the owner-only ones of its temporary file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat written {};
    ASSERT_EQ(::stat(path.c_str(), &written), 0);
    EXPECT_EQ(written.st_mode & 0777, 0666 & ~mask);
}

TEST_F(SaveAsTest, AMissingFolderOrUnknownTypeIsReportedAndNothingIsWritten)
{
    try {
        workbook.SaveAs(folder.file("missing/out.xlsx"));
        ADD_FAILURE() << "saved in a missing folder";
    } catch (const excel::FileError &error) {
        EXPECT_EQ(error.what(),
                  "cannot create a file in the folder " + folder.file("missing") + ": No such file or directory");
    }
    try {
        workbook.SaveAs(folder.file("report.txt"));
        ADD_FAILURE() << "saved as .txt";
    } catch (const excel::WorkbookError &error) {
        EXPECT_STREQ(error.what(), "cannot tell the file type: give a name ending in .xlsx or .csv");
    }
    EXPECT_TRUE(folder.names().empty());
}

// Each number keeps the form the instrument printed: its decimals, a "+", a "-" before a zero.
// The value stays the number; a form that no format shows (an exponent) stays in General.
TEST_F(SaveAsTest, NumbersShowAsPrinted)
{
    const std::vector<std::tuple<std::string, std::string, std::string>> printed{
        {"+21.5", "n 21.5", "+0.0;-0.0"},
        {"-0.40", "n -0.4", "0.00"},
        {"85.0", "n 85", "0.0"},
        {"12", "n 12", "0"},
        {"-0.0", "n 0", "0.0;-0.0;-0.0"},
        {"+0", "n 0", "+0;-0"},
        {"-3", "n -3", "0"},
        {"0.000", "n 0", "0.000"},
        {"2.5E-2", "n 0.025", ""},
        {"+1.25", "n 1.25", "+0.00;-0.00"},
        {"123456789012345", "n 123456789012345", "0"}};
    Grid cells;
    Grid numberFormats;
    for (std::size_t i = 0; i < printed.size(); ++i) {
        const auto &[text, value, format] = printed[i];
        const auto row = static_cast<std::int32_t>(i + 1);
        put({{row, 1, text}, {row, 2, text + " bar"}});
        cells["A" + std::to_string(row)] = value;
        cells["B" + std::to_string(row)] = "s \"" + text + " bar\"";
        if (!format.empty())
            numberFormats["A" + std::to_string(row)] = format;
    }
    const std::string path = folder.file("numbers.xlsx");
    workbook.SaveAs(path);

    const Readback book = readWorkbook(path);
    EXPECT_EQ(book.cells, cells);
    EXPECT_EQ(book.numberFormats, numberFormats);
    for (const auto &[cell, alignment] : book.formats)
        EXPECT_EQ(alignment, kUniformAlignment) << cell;
}

class ReplacedFileTest : public SaveAsTest, public ::testing::WithParamInterface<std::pair<const char *, mode_t>> {};

TEST_P(ReplacedFileTest, KeepsItsPermissions)
{
    const auto &[name, mode] = GetParam();
    const std::string path = folder.file(name);
    std::ofstream(path) << "previous";
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    put({{1, 1, "Temp"}});
    workbook.SaveAs(path);
    struct stat written {};
    ASSERT_EQ(::stat(path.c_str(), &written), 0);
    EXPECT_EQ(written.st_mode & 0777, mode);
    EXPECT_NE(contentOf(path), "previous");
    EXPECT_THAT(folder.names(), ElementsAre(name));
}

INSTANTIATE_TEST_SUITE_P(Modes, ReplacedFileTest,
                         ::testing::Values(std::pair{"private.xlsx", mode_t{0600}},
                                           std::pair{"shared.xlsx", mode_t{0664}},
                                           std::pair{"readonly.xlsx", mode_t{0444}},
                                           std::pair{"private.csv", mode_t{0600}}));

// The file is written whole and only then renamed; a folder of that name makes the rename fail,
// and the written file must go with the failure.
TEST_F(SaveAsTest, AFolderOfTheOutputsNameIsReportedAndLeftAsItWas)
{
    const std::string path = folder.file("out.xlsx");
    std::filesystem::create_directory(path);
    std::ofstream(path + "/inside.txt") << "kept";
    put({{1, 1, "Temp"}});
    try {
        workbook.SaveAs(path);
        ADD_FAILURE() << "saved over a folder";
    } catch (const excel::FileError &error) {
        EXPECT_STREQ(error.what(), "cannot be replaced: it is a folder; give the name of a file");
    }
    EXPECT_THAT(folder.names(), ElementsAre("out.xlsx"));
    EXPECT_EQ(contentOf(path + "/inside.txt"), "kept");
}

} // namespace
} // namespace elvaro::testing
