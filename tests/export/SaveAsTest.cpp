#include "WorkbookReadback.h"

#include "export/Application.h"
#include "export/WorkbookError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace elvaro::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string contentOf(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

class SaveAsTest : public ::testing::Test {
protected:
    SaveAsTest()
    {
        sheet.setName("Downloaded");
        formatLikeTheExport();
    }

    void formatLikeTheExport()
    {
        sheet.Cells().Select();
        application.Selection().setProperty("HorizontalAlignment", excel::xlLeft);
        sheet.Cells().Item(1, 1).Select();
    }

    void put(std::int32_t row, std::int32_t column, const std::string &text)
    {
        sheet.Cells().Item(row, column).setValue(text);
    }

    // Saves in a child process whose files may grow to `limit` bytes only, as on a full disk;
    // returns the error message, or "saved".
    std::string saveWithFileSizeLimit(const std::string &path, rlim_t limit)
    {
        int channel[2];
        if (::pipe(channel) != 0)
            return "no pipe";
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(channel[0]);
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit small{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &small);
            std::string outcome = "saved";
            try {
                workbook.SaveAs(path);
            } catch (const excel::WorkbookError &error) {
                outcome = error.what();
            }
            [[maybe_unused]] const ssize_t written = ::write(channel[1], outcome.data(), outcome.size());
            ::_exit(0);
        }
        ::close(channel[1]);
        std::string outcome;
        char chunk[512];
        for (ssize_t n; (n = ::read(channel[0], chunk, sizeof chunk)) > 0;)
            outcome.append(chunk, static_cast<std::size_t>(n));
        ::close(channel[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        return outcome;
    }

    excel::Application application;
    excel::Workbook &workbook = application.Workbooks().Add();
    excel::Worksheet &sheet = workbook.Sheets().Add();
    TemporaryFolder folder;
};

// --- .xlsx read back with openpyxl --------------------------------------------------------

TEST_F(SaveAsTest, WorkbookReadsBackWithItsSheetSelectionAndUniformFormat)
{
    put(1, 1, "Temp");
    put(2, 3, "Low  water");
    const std::string path = folder.file("report.xlsx");
    workbook.SaveAs(path);

    const Readback book = readWorkbook(path);
    EXPECT_EQ(book.sheets, R"(["Downloaded"])");
    EXPECT_EQ(book.active, "Downloaded");
    EXPECT_EQ(book.selection, "A1 A1");
    EXPECT_EQ(book.merged, 0);
    EXPECT_THAT(book.columns, ElementsAre(std::string("1 16384 ") + kUniformAlignment));
    EXPECT_EQ(book.cells, (std::map<std::string, std::string>{{"A1", R"(s "Temp")"}, {"C2", R"(s "Low  water")"}}));
    EXPECT_EQ(book.formats, (std::map<std::string, std::string>{{"A1", kUniformAlignment}, {"C2", kUniformAlignment}}));
}

TEST_F(SaveAsTest, PlainNumbersBecomeNumbersAndEverythingElseStaysText)
{
    const std::vector<std::string> texts{"12.5", "-3", "+85.0", "1e3", "007", "0012", "12.5 bar", "1234567890123456789"};
    for (std::size_t i = 0; i < texts.size(); ++i)
        put(static_cast<std::int32_t>(i + 1), 1, texts[i]);
    const std::string path = folder.file("numbers.xlsx");
    workbook.SaveAs(path);
    EXPECT_EQ(readWorkbook(path).cells, (std::map<std::string, std::string>{
                                            {"A1", "n 12.5"}, {"A2", "n -3"}, {"A3", "n 85"}, {"A4", "n 1000"},
                                            {"A5", R"(s "007")"}, {"A6", R"(s "0012")"}, {"A7", R"(s "12.5 bar")"},
                                            {"A8", R"(s "1234567890123456789")"}}));
}

TEST_F(SaveAsTest, ControlCharactersAreKeptEscapedAndTheFileStaysValid)
{
    put(1, 1, "page\fbreak");
    put(2, 1, "\x1b" "E bold\r");
    put(3, 1, std::string("nul\0end", 7));
    put(4, 1, "_x0041_ literal");
    put(5, 1, "tab\there");
    const std::string path = folder.file("control.xlsx");
    workbook.SaveAs(path);
    EXPECT_EQ(readWorkbook(path).cells,
              (std::map<std::string, std::string>{{"A1", R"(s "page\fbreak")"}, {"A2", R"(s "\u001bE bold\r")"},
                                                  {"A3", R"(s "nul\u0000end")"}, {"A4", R"(s "_x0041_ literal")"},
                                                  {"A5", R"(s "tab\there")"}}));
}

TEST_F(SaveAsTest, TheActiveSheetAndItsSelectionAreSaved)
{
    excel::Worksheet &other = workbook.Sheets().Add();
    other.Cells().Item(4, 2).Select();
    const std::string path = folder.file("two.xlsx");
    workbook.SaveAs(path);
    const Readback book = readWorkbook(path);
    EXPECT_EQ(book.sheets, R"(["Downloaded", "Sheet2"])");
    EXPECT_EQ(book.active, "Sheet2");
    EXPECT_EQ(book.selection, "B4 B4");
}

// --- CSV ----------------------------------------------------------------------------------

TEST_F(SaveAsTest, CsvQuotesWhatNeedsQuotingAndFillsTheGrid)
{
    put(1, 1, "plain");
    put(1, 3, "a,b");
    put(3, 2, "say \"hi\"");
    put(3, 4, "two\nlines");
    put(4, 1, "007");
    put(4, 2, "cr\rhere");
    const std::string path = folder.file("values.csv");
    workbook.SaveAs(path);
    EXPECT_EQ(contentOf(path), "plain,,\"a,b\",\r\n"
                               ",,,\r\n"
                               ",\"say \"\"hi\"\"\",,\"two\nlines\"\r\n"
                               "007,\"cr\rhere\",,\r\n");
}

TEST_F(SaveAsTest, CsvOfAnEmptySheetIsAnEmptyFile)
{
    const std::string path = folder.file("empty.csv");
    workbook.SaveAs(path);
    EXPECT_EQ(contentOf(path), "");
}

// --- Whole or not at all ------------------------------------------------------------------

TEST_F(SaveAsTest, AnExistingFileIsReplacedAndNoTemporaryFileRemains)
{
    const std::string path = folder.file("out.csv");
    std::ofstream(path) << "old content that is longer than the new one\n";
    put(1, 1, "new");
    workbook.SaveAs(path);
    EXPECT_EQ(contentOf(path), "new\r\n");
    EXPECT_THAT(folder.names(), ElementsAre("out.csv"));
}

struct FailedSave {
    const char *label;
    const char *name;
    const char *reason;
};

class FailedSaveTest : public SaveAsTest, public ::testing::WithParamInterface<FailedSave> {};

TEST_P(FailedSaveTest, AWriteThatFailsLeavesThePreviousFileUntouched)
{
    const std::string path = folder.file(GetParam().name);
    std::ofstream(path) << "previous";
    for (std::int32_t row = 1; row <= 2000; ++row)
        put(row, 1, "a text that makes the file larger than the limit " + std::to_string(row));
    EXPECT_THAT(saveWithFileSizeLimit(path, 4096), HasSubstr(GetParam().reason));
    EXPECT_EQ(contentOf(path), "previous");
    EXPECT_THAT(folder.names(), ElementsAre(GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(Formats, FailedSaveTest,
                         ::testing::Values(FailedSave{"Xlsx", "out.xlsx", "the disk may be full"},
                                           FailedSave{"Csv", "out.csv", "cannot write the file: File too large"}),
                         [](const auto &info) { return std::string(info.param.label); });

TEST_F(SaveAsTest, AMissingFolderIsReportedAndNothingIsWritten)
{
    const std::string path = folder.file("missing/out.xlsx");
    try {
        workbook.SaveAs(path);
        FAIL() << "saved into a missing folder";
    } catch (const excel::WorkbookError &error) {
        EXPECT_EQ(std::string(error.what()),
                  "cannot create a file in the folder " + folder.file("missing") + ": No such file or directory");
    }
    EXPECT_TRUE(folder.names().empty());
}

TEST_F(SaveAsTest, ANameWithoutAKnownTypeIsRefused)
{
    try {
        workbook.SaveAs(folder.file("report.txt"));
        FAIL() << "saved a .txt file";
    } catch (const excel::WorkbookError &error) {
        EXPECT_STREQ(error.what(), "cannot tell the file type: give a name ending in .xlsx or .csv");
    }
    EXPECT_TRUE(folder.names().empty());
}

TEST(SaveAsWithoutSheetTest, AWorkbookWithoutSheetsIsRefused)
{
    excel::Application application;
    TemporaryFolder folder;
    try {
        application.Workbooks().Add().SaveAs(folder.file("empty.xlsx"));
        FAIL() << "saved a workbook without sheets";
    } catch (const excel::WorkbookError &error) {
        EXPECT_STREQ(error.what(), "the workbook has no sheet; add one before saving");
    }
    EXPECT_TRUE(folder.names().empty());
}

} // namespace
} // namespace elvaro::testing
