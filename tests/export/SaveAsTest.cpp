#include "ExportTesting.h"

#include "export/Application.h"
#include "export/WorkbookError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace elvaro::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string contentOf(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

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

    // Saves in a child process whose files may not grow past `limit` bytes, as on a full disk;
    // returns the error message, or "saved".
    std::string saveWithFileSizeLimit(const std::string &path, rlim_t limit)
    {
        int channel[2];
        if (::pipe(channel) != 0)
            return "no pipe";
        if (::fork() == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit small{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &small);
            std::string outcome = "saved";
            try {
                workbook.SaveAs(path);
            } catch (const excel::WorkbookError &error) {
                outcome = error.what();
            }
            ::_exit(::write(channel[1], outcome.data(), outcome.size()) < 0);
        }
        ::close(channel[1]);
        std::string outcome;
        char chunk[512];
        for (ssize_t n; (n = ::read(channel[0], chunk, sizeof chunk)) > 0;)
            outcome.append(chunk, static_cast<std::size_t>(n));
        ::close(channel[0]);
        ::wait(nullptr);
        return outcome;
    }

    excel::Application application;
    excel::Workbook &workbook = application.Workbooks().Add();
    excel::Worksheet &sheet = workbook.Sheets().Add();
    TemporaryFolder folder;
};

TEST_F(SaveAsTest, WorkbookReadsBackWithItsValuesTypesSelectionAndUniformFormat)
{
    put({{1, 1, "Temp"}, {2, 3, "Low  water"}, {3, 1, "12.5"}, {3, 2, "-3"}, {3, 3, "1e3"}, {4, 1, "007"},
         {4, 2, "12.5 bar"}, {4, 3, "1234567890123456789"}});
    const std::string path = folder.file("report.xlsx");
    workbook.SaveAs(path);

    const Readback book = readWorkbook(path);
    EXPECT_EQ(book.records, (std::map<std::string, std::string>{
                                {"sheets", R"(["Downloaded"])"}, {"active", "Downloaded"}, {"selection", "A1 A1"},
                                {"merged", "0"}, {"columns", std::string("1 16384 ") + kUniformAlignment}}));
    EXPECT_EQ(book.cells, (Grid{{"A1", R"(s "Temp")"}, {"C2", R"(s "Low  water")"}, {"A3", "n 12.5"}, {"B3", "n -3"},
                                {"C3", "n 1000"}, {"A4", R"(s "007")"}, {"B4", R"(s "12.5 bar")"},
                                {"C4", R"(s "1234567890123456789")"}}));
    for (const auto &[cell, alignment] : book.formats)
        EXPECT_EQ(alignment, kUniformAlignment) << cell;
}

TEST_F(SaveAsTest, ControlCharactersAreKeptEscapedAndTheFileStaysValid)
{
    put({{1, 1, "page\fbreak"}, {2, 1, "\x1b" "E bold\r"}, {3, 1, std::string("nul\0end", 7)}, {4, 1, "_x0041_ as typed"}});
    const std::string path = folder.file("control.xlsx");
    workbook.SaveAs(path);
    EXPECT_EQ(readWorkbook(path).cells, (Grid{{"A1", R"(s "page\fbreak")"}, {"A2", R"(s "\u001bE bold\r")"},
                                              {"A3", R"(s "nul\u0000end")"}, {"A4", R"(s "_x0041_ as typed")"}}));
}

TEST_F(SaveAsTest, CsvQuotesWhatNeedsQuotingAndFillsTheGrid)
{
    put({{1, 1, "plain"}, {1, 3, "a,b"}, {3, 2, "say \"hi\""}, {3, 4, "two\nlines"}, {4, 1, "007"}, {4, 2, "cr\rhere"}});
    const std::string path = folder.file("values.csv");
    workbook.SaveAs(path);
    EXPECT_EQ(contentOf(path), "plain,,\"a,b\",\r\n,,,\r\n,\"say \"\"hi\"\"\",,\"two\nlines\"\r\n007,\"cr\rhere\",,\r\n");
    // A new file gets the usual permissions, not the owner-only ones of its temporary file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat written {};
    ASSERT_EQ(::stat(path.c_str(), &written), 0);
    EXPECT_EQ(written.st_mode & 0777, 0666 & ~mask);
}

class FailedSaveTest : public SaveAsTest, public ::testing::WithParamInterface<std::pair<const char *, const char *>> {};

TEST_P(FailedSaveTest, AWriteThatFailsLeavesThePreviousFileAndNoTemporaryFile)
{
    const std::string path = folder.file(GetParam().first);
    std::ofstream(path) << "previous";
    for (std::int32_t row = 1; row <= 2000; ++row)
        put({{row, 1, "a text that makes the file larger than the limit " + std::to_string(row)}});
    EXPECT_THAT(saveWithFileSizeLimit(path, 4096), HasSubstr(GetParam().second));
    EXPECT_EQ(contentOf(path), "previous");
    EXPECT_THAT(folder.names(), ElementsAre(GetParam().first));
}

INSTANTIATE_TEST_SUITE_P(Formats, FailedSaveTest,
                         ::testing::Values(std::pair{"out.xlsx", "writing the file failed; the disk may be full"},
                                           std::pair{"out.csv", "cannot write the file: File too large"}));

TEST_F(SaveAsTest, AMissingFolderOrUnknownTypeIsReportedAndNothingIsWritten)
{
    const auto saveError = [&](const std::string &path) -> std::string {
        try {
            workbook.SaveAs(path);
        } catch (const excel::WorkbookError &error) {
            return error.what();
        }
        return "saved";
    };
    EXPECT_EQ(saveError(folder.file("missing/out.xlsx")),
              "cannot create a file in the folder " + folder.file("missing") + ": No such file or directory");
    EXPECT_EQ(saveError(folder.file("report.txt")), "cannot tell the file type: give a name ending in .xlsx or .csv");
    EXPECT_TRUE(folder.names().empty());
}

} // namespace
} // namespace elvaro::testing
