#include "workbook/WorkbookTestSupport.h"

#include "export/Worksheet.h"
#include "workbook/CellValue.h"
#include "workbook/FileError.h"
#include "workbook/SheetFile.h"
#include "workbook/WorkbookError.h"
#include "workbook/XlsxVerifier.h"
#include "workbook/XmlPartCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace elvaro::testing {
namespace {

using Cells = std::map<std::string, std::string>;
using Names = std::vector<std::string>;
using workbook::FileKind;
using namespace std::string_literals;

// Kept as text: a leading zero before another digit, anything that is not a plain decimal
// number, more significant digits than a double keeps, values beyond a double's range. The
// workbook read back shows the usual numbers and their formats.
TEST(CellValue, OnlyPlainDecimalNumbersBecomeNumbers)
{
    for (const auto &[text, number] :
         {std::pair{"0", 0.0}, {"0.25", 0.25}, {"1e3", 1000.0}, {"1000000000000000000000", 1e21}})
        EXPECT_EQ(workbook::plainNumber(text), number) << text;
    for (const char *text : {"007", "-01", "", "+", "1.", ".5", "1e", "12a", " 12", "1,5", "0x10", "inf", "1e400",
                             "1e-400", "1234567890123456"})
        EXPECT_EQ(workbook::plainNumber(text), std::nullopt) << '"' << text << '"';
    for (const char *zero : {"-0", "-0.0", "-0e5"})
        EXPECT_FALSE(std::signbit(workbook::plainNumber(zero).value())) << zero;
}

TEST(CellValue, ANumberFormatShowsAtMostThirtyDecimalsAndOnlyWhatWouldReadAsAnEscapeIsEscaped)
{
    const auto format = [](const std::string &text) { return workbook::numberFormatOf(workbook::printedForm(text)); };
    EXPECT_EQ(format("0." + std::string(29, '0') + "5"), "0." + std::string(30, '0'));
    EXPECT_EQ(format("0." + std::string(30, '0') + "5"), "");
    EXPECT_EQ(format("+0.000"), "+0.000;-0.000");
    EXPECT_EQ(workbook::escapedText("tab\tand\nfeed _x004_ _xZZZZ_ a_b"), "tab\tand\nfeed _x004_ _xZZZZ_ a_b");
    EXPECT_EQ(workbook::escapedText("_x0041_\x1f"), "_x005F_x0041__x001F_");
}

constexpr const char *kUniformAlignment = "left bottom wrap=0 rotation=0 shrink=0 indent=0";

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

    // What saving as `name` gave, "saved" or the message of its error, then what it wrote on
    // standard error, with the size of the files it writes limited to `limit` bytes (ulimit -f).
    std::string save(const std::string &name, rlim_t limit = RLIM_INFINITY,
                     workbook::ByteOrderMark mark = workbook::ByteOrderMark::Omitted)
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
            workbook::saveSheet(sheet, folder.file(name), workbook::fileKindOf(name).value(), mark);
        } catch (const Error &error) {
            result = error.what();
        }
        ::setrlimit(RLIMIT_FSIZE, &before);
        ::dup2(savedErr, STDERR_FILENO);
        ::close(savedErr);
        result += contentOf("/proc/self/fd/" + std::to_string(::fileno(err)));
        std::fclose(err);
        return result;
    }

    excel::Worksheet sheet{"Downloaded"};
    TemporaryFolder folder;
};

// Each number keeps the form the instrument printed (its decimals, a "+", a "-" before a zero),
// its value stays the number; every other text stays text, control characters kept. Columns are
// as wide as their longest text in characters and one more, at least the default, at most 60.
TEST_F(SaveSheetTest, TheWorkbookReadsBackAsTheSheetHoldsIt)
{
    const std::tuple<std::string, std::string, std::string> column[] = {
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
        {"\033E bold\r", R"(s "\u001bE bold\r")", ""},
        {"nul\0end"s, R"(s "nul\u0000end")", ""},
        {"_x0041_ as typed", R"(s "_x0041_ as typed")", ""}};
    Cells cells{{"B1", R"(s "Temperatur \u00b0C \u00e4\u00f6\u00fc \u00c4\u00d6\u00dc")"},
                {"D1", "s \"" + std::string(70, 'x') + "\""}};
    Cells numberFormats;
    for (std::size_t i = 0; i < std::size(column); ++i) {
        const auto &[text, value, format] = column[i];
        sheet.setValue(static_cast<std::int32_t>(i + 1), 1, text);
        cells["A" + std::to_string(i + 1)] = value;
        if (!format.empty())
            numberFormats["A" + std::to_string(i + 1)] = format;
    }
    sheet.setValue(1, 2, "Temperatur \u00b0C \u00e4\u00f6\u00fc \u00c4\u00d6\u00dc");
    sheet.setValue(1, 4, std::string(70, 'x'));
    ASSERT_EQ(save("report.xlsx"), "saved");
    const Readback book = readWorkbook(folder.file("report.xlsx"));
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

// A new file gets the usual permissions, not the owner-only ones of its temporary file.
TEST_F(SaveSheetTest, CsvQuotesWhatNeedsQuotingAndFillsTheGridAfterTheMarkWhenAsked)
{
    const std::tuple<int, int, const char *> cells[] = {{1, 1, "plain"},      {1, 3, "a,b"}, {3, 2, "say \"hi\""},
                                                        {3, 4, "two\nlines"}, {4, 1, "007"}, {4, 2, "cr\rh"}};
    for (const auto &[row, column, text] : cells)
        sheet.setValue(row, column, text);
    const std::string rows = "plain,,\"a,b\",\r\n,,,\r\n,\"say \"\"hi\"\"\",,\"two\nlines\"\r\n007,\"cr\rh\",,\r\n";
    ASSERT_EQ(save("plain.csv") + save("marked.csv", RLIM_INFINITY, workbook::ByteOrderMark::Written), "savedsaved");
    EXPECT_EQ(contentOf(folder.file("plain.csv")), rows);
    EXPECT_EQ(contentOf(folder.file("marked.csv")), "\xEF\xBB\xBF" + rows);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(modeOf(folder.file("plain.csv")), 0666 & ~mask);
}

TEST_F(SaveSheetTest, AReplacedFileKeepsItsPermissions)
{
    sheet.setValue(1, 1, "Temp");
    for (const auto &[name, mode] :
         {std::pair{"private.xlsx", 0600}, {"shared.xlsx", 0664}, {"readonly.xlsx", 0444}, {"private.csv", 0600}}) {
        std::ofstream(folder.file(name)) << "previous";
        ASSERT_EQ(::chmod(folder.file(name).c_str(), mode), 0);
        EXPECT_EQ(save(name), "saved");
        EXPECT_EQ(modeOf(folder.file(name)), static_cast<mode_t>(mode)) << name;
        EXPECT_NE(contentOf(folder.file(name)), "previous") << name;
    }
    EXPECT_EQ(folder.names(), (Names{"private.csv", "private.xlsx", "readonly.xlsx", "shared.xlsx"}));
}

// The file is written whole and only then renamed: a folder of the output's name makes the rename
// fail, and the written file goes with the failure.
TEST_F(SaveSheetTest, AMissingFolderOrAFolderOfTheOutputsNameIsReportedAndLeftAsItWas)
{
    std::filesystem::create_directory(folder.file("out.xlsx"));
    std::ofstream(folder.file("out.xlsx/inside.txt")) << "kept";
    EXPECT_EQ(save("missing/out.xlsx"),
              "cannot create a file in the folder " + folder.file("missing") + ": No such file or directory");
    EXPECT_EQ(save("out.xlsx"), "cannot be replaced: it is a folder; give the name of a file");
    EXPECT_EQ(folder.names(), (Names{"out.xlsx"}));
    EXPECT_EQ(contentOf(folder.file("out.xlsx/inside.txt")), "kept");
}

// Files that may not grow past the limit, as on a full disk: the save fails as a whole, with one
// message of ours and nothing of the writer's own on standard error, and the previous file stays.
TEST_F(SaveSheetTest, PastAFileSizeLimitTheSaveFailsWithOneMessageAndLeavesNothing)
{
    const auto advice = [](int limit) {
        return "; the disk may be full, or the file larger than the file-size limit of " + std::to_string(limit)
               + " bytes (ulimit -f). Free some space or raise the limit, then try again";
    };
    const std::tuple<const char *, int, std::int32_t, std::string> cases[] = {
        // The packed file itself passes the limit.
        {"out.xlsx", 4096, 2000, "cannot write the workbook: writing the file failed" + advice(4096)},
        // The writer's own temporary copy of the sheet is cut at the limit; the packed file fits.
        {"out.xlsx", 20480, 3000,
         "cannot write the workbook: its part xl/worksheets/sheet1.xml came out incomplete" + advice(20480)},
        {"out.csv", 4096, 2000, "cannot write the file: File too large"}};
    for (const auto &[name, limit, rows, failure] : cases) {
        fill(rows);
        std::ofstream(folder.file(name)) << "previous";
        EXPECT_EQ(save(name, static_cast<rlim_t>(limit)), failure);
        EXPECT_EQ(contentOf(folder.file(name)), "previous");
        EXPECT_EQ(folder.names(), (Names{name}));
        std::filesystem::remove(folder.file(name));
    }
}

// The writer's parts go beside the output: a missing system temporary folder does not spoil them,
// and nothing is left but the output.
TEST_F(SaveSheetTest, AMissingTemporaryFolderDoesNotStopTheSave)
{
    fill(3);
    ::setenv("TMPDIR", folder.file("tmp").c_str(), 1);
    EXPECT_EQ(save("out.xlsx"), "saved");
    ::unsetenv("TMPDIR");
    EXPECT_EQ(folder.names(), (Names{"out.xlsx"}));
    EXPECT_EQ(readWorkbook(folder.file("out.xlsx")).cells.at("B3"), "n 3.25");
}

// The read-back of a workbook of three rows and five cells, as the program writes it, finds it
// whole, and names each damage done to it (through rezip.py, or by editing its bytes).
TEST_F(SaveSheetTest, TheReadBackPassesAWholeWorkbookAndNamesEachDamage)
{
    for (const auto &[row, column, text] :
         {std::tuple{1, 1, "Temp"}, {1, 2, "+21.5"}, {2, 1, "Zone"}, {3, 1, "OK"}, {3, 4, "12"}})
        sheet.setValue(row, column, text);
    ASSERT_EQ(save("good.xlsx"), "saved");
    const std::string good = folder.file("good.xlsx"), sheetPart = "xl/worksheets/sheet1.xml";
    const auto verdict = [&](const std::string &path, workbook::SheetContents contents = {3, 5}) -> std::string {
        try {
            workbook::verifyXlsx(path, contents);
        } catch (const workbook::WorkbookError &fault) {
            return fault.what();
        }
        return "whole";
    };
    const auto rezipped = [&](const std::string &arguments, const std::string &from) {
        const std::string path = folder.file("damaged.xlsx");
        const std::string command =
            "/usr/bin/python3 '" ELVARO_TESTS_DIR "/workbook/rezip.py' '" + from + "' '" + path + "' " + arguments;
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return path;
    };
    const auto edited = [&](const std::string &from, const std::function<void(std::string &)> &edit) {
        std::string bytes = contentOf(from);
        edit(bytes);
        std::ofstream(folder.file("edited.xlsx"), std::ios::binary | std::ios::trunc) << bytes;
        return folder.file("edited.xlsx");
    };
    const std::string cutShort = "the finished file is cut short or damaged: its zip directory cannot be read";
    const std::pair<std::string, std::string> cases[] = {
        {verdict(good), "whole"},
        {verdict(rezipped("store", good)), "whole"},
        {verdict(good, {4, 5}), "its part xl/worksheets/sheet1.xml holds 3 rows instead of 4"},
        {verdict(good, {3, 6}), "its part xl/worksheets/sheet1.xml holds 5 cells instead of 6"},
        {verdict(edited(good, [](std::string &bytes) { bytes.clear(); })), cutShort},
        {verdict(edited(good, [](std::string &bytes) { bytes.pop_back(); })), cutShort},
        // The part's own header, which its record in the zip directory points to, is broken.
        {verdict(edited(good, [&](std::string &bytes) { bytes[bytes.find(sheetPart) - 30] = 'X'; })),
         "its part xl/worksheets/sheet1.xml is damaged (its header cannot be read)"},
        {verdict(
             edited(rezipped("store", good), [](std::string &bytes) { bytes[bytes.find("<sheetData>") + 1] = 'S'; })),
         "its part xl/worksheets/sheet1.xml is damaged (its check sum does not match)"},
        {verdict(rezipped("cut xl/worksheets/sheet1.xml 14", good)),
         "its part xl/worksheets/sheet1.xml came out incomplete"},
        {verdict(rezipped("cut xl/styles.xml 100000", good)), "its part xl/styles.xml came out incomplete"},
        {verdict(rezipped("drop-row xl/worksheets/sheet1.xml", good)),
         "its part xl/worksheets/sheet1.xml holds 2 rows instead of 3"},
        {verdict(rezipped("remove xl/workbook.xml", good)), "its part xl/workbook.xml is missing"}};
    for (const auto &[found, expected] : cases)
        EXPECT_EQ(found, expected);
}

// The verdict on a part must not depend on how the unpacking cuts it into pieces.
TEST(XmlPartCheck, GivesTheSameVerdictForEveryCutIntoPieces)
{
    const std::string sheet = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                              "<worksheet xmlns=\"x\"><cols><col min=\"1\"/></cols><sheetData>"
                              "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>21.5</v></c></row>"
                              "<row r=\"3\"><c r=\"A3\"><v>1</v></c></row></sheetData></worksheet>\n";
    const std::tuple<std::string, bool, std::int64_t, std::int64_t> parts[] = {
        {sheet, true, 2, 3},
        {sheet.substr(0, sheet.size() - 5), false, 2, 3},
        {sheet.substr(0, sheet.find("<row r=\"3\"") + 6), false, 2, 2},
        {"<?xml version=\"1.0\"?><!-- made here --><cp:coreProperties a=\"1\"><dc:title/></cp:coreProperties>\r\n",
         true, 0, 0},
        {"<Types><Default/></Default>", false, 0, 0}};
    for (const auto &[text, complete, rows, cells] : parts) {
        for (std::size_t size = 1; size <= text.size(); ++size) {
            workbook::XmlPartCheck check;
            for (std::size_t at = 0; at < text.size(); at += size)
                check.add(std::string_view(text).substr(at, size));
            EXPECT_EQ(std::tuple(check.isComplete(), check.rows(), check.cells()), std::tuple(complete, rows, cells))
                << text.substr(0, 40) << ", pieces of " << size;
        }
    }
}

} // namespace
} // namespace elvaro::testing
