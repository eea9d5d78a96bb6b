#include "WorkbookTestSupport.h"

#include "export/Worksheet.h"
#include "workbook/SheetFile.h"
#include "workbook/WorkbookError.h"
#include "workbook/XlsxVerifier.h"
#include "workbook/XmlPartCheck.h"

#include <gtest/gtest.h>

#include <functional>

namespace elvaro::testing {
namespace {

constexpr const char *kSheet = "xl/worksheets/sheet1.xml";

// What the read-back finds wrong with the file, or "whole".
std::string verdict(const std::string &path, const workbook::SheetContents &contents = {3, 5})
{
    try {
        workbook::verifyXlsx(path, contents);
    } catch (const workbook::WorkbookError &fault) {
        return fault.what();
    }
    return "whole";
}

// A workbook of three rows and five cells, written as the program writes it.
class XlsxVerifierTest : public ::testing::Test {
protected:
    XlsxVerifierTest()
    {
        excel::Worksheet sheet("Downloaded");
        for (const auto &[row, column, text] : std::vector<std::tuple<int, int, std::string>>{
                 {1, 1, "Temp"}, {1, 2, "+21.5"}, {2, 1, "Zone"}, {3, 1, "OK"}, {3, 4, "12"}})
            sheet.setValue(row, column, text);
        workbook::saveSheet(sheet, good, workbook::FileKind::Xlsx);
    }

    // Copies the good file through rezip.py with `arguments`, or through `edit` of its bytes.
    std::string damaged(const std::string &arguments, const std::function<void(std::string &)> &edit = {}) const
    {
        const std::string path = folder.file("damaged.xlsx");
        if (edit) {
            std::string bytes = contentOf(good);
            edit(bytes);
            std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
            return path;
        }
        const std::string command =
            "/usr/bin/python3 '" ELVARO_TESTS_DIR "/workbook/rezip.py' '" + good + "' '" + path + "' " + arguments;
        if (std::system(command.c_str()) != 0)
            throw std::runtime_error("rezip.py failed: " + command);
        return path;
    }

    TemporaryFolder folder;
    const std::string good = folder.file("good.xlsx");
};

TEST_F(XlsxVerifierTest, AWholeWorkbookPassesAndEachDamageIsNamed)
{
    EXPECT_EQ(verdict(good), "whole");
    EXPECT_EQ(verdict(damaged("store")), "whole");
    EXPECT_EQ(verdict(good, {4, 5}), "its part xl/worksheets/sheet1.xml holds 3 rows instead of 4");
    EXPECT_EQ(verdict(good, {3, 6}), "its part xl/worksheets/sheet1.xml holds 5 cells instead of 6");
    const std::string cutShort = "the finished file is cut short or damaged: its zip directory cannot be read";
    EXPECT_EQ(verdict(damaged("", [](std::string &bytes) { bytes.clear(); })), cutShort);
    EXPECT_EQ(verdict(damaged("", [](std::string &bytes) { bytes.pop_back(); })), cutShort);
    // The part's own header, which its record in the zip directory points to, is broken.
    EXPECT_EQ(verdict(damaged("", [](std::string &bytes) { bytes[bytes.find(kSheet) - 30] = 'X'; })),
              "its part xl/worksheets/sheet1.xml is damaged (its header cannot be read)");
    const std::string stored = damaged("store");
    std::rename(stored.c_str(), folder.file("stored.xlsx").c_str());
    std::string bytes = contentOf(folder.file("stored.xlsx"));
    bytes[bytes.find("<sheetData>") + 1] = 'S';
    std::ofstream(stored, std::ios::binary) << bytes;
    EXPECT_EQ(verdict(stored), "its part xl/worksheets/sheet1.xml is damaged (its check sum does not match)");
    EXPECT_EQ(verdict(damaged("cut xl/worksheets/sheet1.xml 14")),
              "its part xl/worksheets/sheet1.xml came out incomplete");
    EXPECT_EQ(verdict(damaged("cut xl/styles.xml 100000")), "its part xl/styles.xml came out incomplete");
    EXPECT_EQ(verdict(damaged("drop-row xl/worksheets/sheet1.xml")),
              "its part xl/worksheets/sheet1.xml holds 2 rows instead of 3");
    EXPECT_EQ(verdict(damaged("remove xl/workbook.xml")), "its part xl/workbook.xml is missing");
}

// The verdict on a part must not depend on how the unpacking cuts it into pieces.
TEST(XmlPartCheckTest, GivesTheSameVerdictForEveryCutIntoPieces)
{
    const std::string sheet = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                              "<worksheet xmlns=\"x\"><cols><col min=\"1\"/></cols><sheetData>"
                              "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>21.5</v></c></row>"
                              "<row r=\"3\"><c r=\"A3\"><v>1</v></c></row></sheetData></worksheet>\n";
    const std::vector<std::tuple<std::string, bool, std::int64_t, std::int64_t>> parts{
        {sheet, true, 2, 3},
        {sheet.substr(0, sheet.size() - 5), false, 2, 3},
        {sheet.substr(0, sheet.find("<row r=\"3\"") + 6), false, 2, 2},
        {"<?xml version=\"1.0\"?><!-- made here --><cp:coreProperties a=\"1\"><dc:title/></cp:coreProperties>\r\n",
         true, 0, 0},
        {"<Types><Default/></Default>", false, 0, 0},
        {"<?xml version=\"1.0\"?>\n", false, 0, 0}};
    for (const auto &[text, complete, rows, cells] : parts) {
        for (std::size_t size = 1; size <= text.size(); ++size) {
            workbook::XmlPartCheck check;
            for (std::size_t at = 0; at < text.size(); at += size)
                check.add(std::string_view(text).substr(at, size));
            EXPECT_EQ(check.isComplete(), complete) << text.substr(0, 40) << ", pieces of " << size;
            EXPECT_EQ(check.rows(), rows) << text.substr(0, 40) << ", pieces of " << size;
            EXPECT_EQ(check.cells(), cells) << text.substr(0, 40) << ", pieces of " << size;
        }
    }
}

} // namespace
} // namespace elvaro::testing
