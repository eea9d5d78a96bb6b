#include "WorkbookTestSupport.h"

#include "export/Worksheet.h"
#include "workbook/FileError.h"
#include "workbook/SheetFile.h"
#include "workbook/WorkbookError.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace elvaro::testing {
namespace {

using Cells = std::map<std::string, std::string>;
using Names = std::vector<std::string>;
using workbook::FileKind;

constexpr const char *kUniformAlignment = "left bottom wrap=0 rotation=0 shrink=0 indent=0";

// What a save gave, "saved" or the message of its error, and what it wrote on standard error,
// with the size of the files it writes limited to `limit` bytes when it is given (ulimit -f).
std::pair<std::string, std::string> outcomeOf(const std::function<void()> &save, rlim_t limit = RLIM_INFINITY)
{
    rlimit before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    const rlimit limited{limit, before.rlim_max};
    std::FILE *err = std::tmpfile();
    const int savedErr = ::dup(STDERR_FILENO);
    ::dup2(::fileno(err), STDERR_FILENO);
    ::setrlimit(RLIMIT_FSIZE, &limited);
    std::string result = "saved";
    try {
        save();
    } catch (const Error &error) {
        result = error.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &before);
    ::dup2(savedErr, STDERR_FILENO);
    ::close(savedErr);
    const std::string written = contentOf("/proc/self/fd/" + std::to_string(::fileno(err)));
    std::fclose(err);
    return {result, written};
}

mode_t modeOf(const std::string &path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 0777 : 0;
}

class SaveSheetTest : public ::testing::Test {
protected:
    SaveSheetTest() { sheet.applyUniformFormat(); }

    void fill(std::int32_t rows)
    {
        for (std::int32_t row = 1; row <= rows; ++row) {
            sheet.setValue(row, 1, "a text that makes the file larger " + std::to_string(row));
            sheet.setValue(row, 2, std::to_string(row) + ".25");
        }
    }

    excel::Worksheet sheet{"Downloaded"};
    TemporaryFolder folder;
};

// Each number keeps the form the instrument printed (its decimals, a "+", a "-" before a zero),
// its value stays the number; every other text stays text, control characters kept. Columns are
// as wide as their longest text in characters and one more, at least the default, at most 60.
TEST_F(SaveSheetTest, TheWorkbookReadsBackAsTheSheetHoldsIt)
{
    const std::vector<std::tuple<std::string, std::string, std::string>> column{
        {"+21.5", "n 21.5", "+0.0;-0.0"},
        {"-0.40", "n -0.4", "0.00"},
        {"85.0", "n 85", "0.0"},
        {"12", "n 12", "0"},
        {"-0.0", "n 0", "0.0;-0.0;-0.0"},
        {"+0", "n 0", "+0;-0"},
        {"2.5E-2", "n 0.025", ""},
        {"123456789012345", "n 123456789012345", "0"},
        {"007", R"(s "007")", ""},
        {"12.5 bar", R"(s "12.5 bar")", ""},
        {"1234567890123456789", R"(s "1234567890123456789")", ""},
        {"page\fbreak", R"(s "page\fbreak")", ""},
        {"\x1b"
         "E bold\r",
         R"(s "\u001bE bold\r")", ""},
        {std::string("nul\0end", 7), R"(s "nul\u0000end")", ""},
        {"_x0041_ as typed", R"(s "_x0041_ as typed")", ""}};
    Cells cells{{"B1", R"(s "Temperatur \u00b0C \u00e4\u00f6\u00fc \u00c4\u00d6\u00dc")"},
                {"D1", "s \"" + std::string(70, 'x') + "\""}};
    Cells numberFormats;
    for (std::size_t i = 0; i < column.size(); ++i) {
        const auto &[text, value, format] = column[i];
        sheet.setValue(static_cast<std::int32_t>(i + 1), 1, text);
        cells["A" + std::to_string(i + 1)] = value;
        if (!format.empty())
            numberFormats["A" + std::to_string(i + 1)] = format;
    }
    sheet.setValue(1, 2, "Temperatur \u00b0C \u00e4\u00f6\u00fc \u00c4\u00d6\u00dc");
    sheet.setValue(1, 4, std::string(70, 'x'));
    const std::string path = folder.file("report.xlsx");
    workbook::saveSheet(sheet, path, FileKind::Xlsx);

    const Readback book = readWorkbook(path);
    EXPECT_EQ(book.records, (Cells{{"sheets", R"(["Downloaded"])"},
                                   {"active", "Downloaded"},
                                   {"selection", "A1 A1"},
                                   {"merged", "0"},
                                   {"columns", std::string("1 16384 ") + kUniformAlignment},
                                   {"widths", "1-1:20 2-2:22 3-3:8.43 4-4:60 5-16384:8.43"}}));
    EXPECT_EQ(book.cells, cells);
    EXPECT_EQ(book.numberFormats, numberFormats);
    for (const auto &[cell, alignment] : book.formats)
        EXPECT_EQ(alignment, kUniformAlignment) << cell;
}

TEST_F(SaveSheetTest, CsvQuotesWhatNeedsQuotingAndFillsTheGridAfterTheMarkWhenAsked)
{
    for (const auto &[row, column, text] : std::vector<std::tuple<int, int, std::string>>{{1, 1, "plain"},
                                                                                          {1, 3, "a,b"},
                                                                                          {3, 2, "say \"hi\""},
                                                                                          {3, 4, "two\nlines"},
                                                                                          {4, 1, "007"},
                                                                                          {4, 2, "cr\rh"}})
        sheet.setValue(row, column, text);
    const std::string rows = "plain,,\"a,b\",\r\n,,,\r\n,\"say \"\"hi\"\"\",,\"two\nlines\"\r\n007,\"cr\rh\",,\r\n";
    workbook::saveSheet(sheet, folder.file("plain.csv"), FileKind::Csv);
    workbook::saveSheet(sheet, folder.file("marked.csv"), FileKind::Csv, workbook::ByteOrderMark::Written);
    EXPECT_EQ(contentOf(folder.file("plain.csv")), rows);
    EXPECT_EQ(contentOf(folder.file("marked.csv")), "\xEF\xBB\xBF" + rows);
    // A new file gets the usual permissions, not the owner-only ones of its temporary file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(modeOf(folder.file("plain.csv")), 0666 & ~mask);
}

TEST_F(SaveSheetTest, AReplacedFileKeepsItsPermissions)
{
    sheet.setValue(1, 1, "Temp");
    for (const auto &[name, mode] :
         {std::pair{"private.xlsx", mode_t{0600}}, std::pair{"shared.xlsx", mode_t{0664}},
          std::pair{"readonly.xlsx", mode_t{0444}}, std::pair{"private.csv", mode_t{0600}}}) {
        const std::string path = folder.file(name);
        std::ofstream(path) << "previous";
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        workbook::saveSheet(sheet, path, *workbook::fileKindOf(path));
        EXPECT_EQ(modeOf(path), mode) << name;
        EXPECT_NE(contentOf(path), "previous") << name;
    }
    EXPECT_EQ(folder.names(), (Names{"private.csv", "private.xlsx", "readonly.xlsx", "shared.xlsx"}));
}

// The file is written whole and only then renamed: a folder of the output's name makes the rename
// fail, and the written file goes with the failure.
TEST_F(SaveSheetTest, AMissingFolderOrAFolderOfTheOutputsNameIsReportedAndLeftAsItWas)
{
    const std::string path = folder.file("out.xlsx");
    std::filesystem::create_directory(path);
    std::ofstream(path + "/inside.txt") << "kept";
    for (const auto &[target, message] :
         {std::pair{folder.file("missing/out.xlsx"),
                    "cannot create a file in the folder " + folder.file("missing") + ": No such file or directory"},
          std::pair{path, std::string("cannot be replaced: it is a folder; give the name of a file")}}) {
        try {
            workbook::saveSheet(sheet, target, FileKind::Xlsx);
            ADD_FAILURE() << "saved as " << target;
        } catch (const workbook::FileError &error) {
            EXPECT_EQ(error.what(), message);
        }
    }
    EXPECT_EQ(folder.names(), (Names{"out.xlsx"}));
    EXPECT_EQ(contentOf(path + "/inside.txt"), "kept");
}

// Files that may not grow past the limit, as on a full disk: the save fails as a whole, with one
// message of ours and nothing of the writer's own on standard error, and the previous file stays.
TEST_F(SaveSheetTest, PastAFileSizeLimitTheSaveFailsWithOneMessageAndLeavesNothing)
{
    const std::string advice = "; the disk may be full, or the file larger than the file-size limit of %d bytes "
                               "(ulimit -f). Free some space or raise the limit, then try again";
    struct SizeLimit {
        const char *output;
        rlim_t limit;
        std::int32_t rows;
        std::string failure;
    };
    for (const SizeLimit &c :
         {// The packed file itself passes the limit.
          SizeLimit{"out.xlsx", 4096, 2000, "cannot write the workbook: writing the file failed" + advice},
          // The writer's own temporary copy of the sheet is cut at the limit; the packed file fits.
          SizeLimit{"out.xlsx", 20480, 3000,
                    "cannot write the workbook: its part xl/worksheets/sheet1.xml came out incomplete" + advice},
          SizeLimit{"out.csv", 4096, 2000, "cannot write the file: File too large"}}) {
        fill(c.rows);
        const std::string path = folder.file(c.output);
        std::ofstream(path) << "previous";
        const auto [result, err] =
            outcomeOf([&] { workbook::saveSheet(sheet, path, *workbook::fileKindOf(path)); }, c.limit);
        std::string failure = c.failure;
        if (const std::size_t at = failure.find("%d"); at != std::string::npos)
            failure.replace(at, 2, std::to_string(c.limit));
        EXPECT_EQ(result, failure);
        EXPECT_EQ(err, "");
        EXPECT_EQ(contentOf(path), "previous");
        EXPECT_EQ(folder.names(), (Names{c.output}));
        std::filesystem::remove(path);
    }
}

// The writer's parts go beside the output: a missing system temporary folder does not spoil them,
// and nothing is left but the output.
TEST_F(SaveSheetTest, AMissingTemporaryFolderDoesNotStopTheSave)
{
    fill(3);
    ::setenv("TMPDIR", folder.file("tmp").c_str(), 1);
    const auto [result, err] = outcomeOf([&] { workbook::saveSheet(sheet, folder.file("out.xlsx"), FileKind::Xlsx); });
    ::unsetenv("TMPDIR");
    EXPECT_EQ(result, "saved");
    EXPECT_EQ(err, "");
    EXPECT_EQ(folder.names(), (Names{"out.xlsx"}));
    EXPECT_EQ(readWorkbook(folder.file("out.xlsx")).cells.at("B3"), "n 3.25");
}

} // namespace
} // namespace elvaro::testing
