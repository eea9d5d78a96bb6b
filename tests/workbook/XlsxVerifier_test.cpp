#include "ExportTestSupport.h"

#include "export/Application.h"
#include "export/XlsxVerifier.h"
#include "export/XmlPartCheck.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>

namespace elvaro::testing {
namespace {

void writeBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void put32(std::string &bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t get32(const std::string &bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

constexpr const char *kSheet = "xl/worksheets/sheet1.xml";

// The start of the zip directory's record of `part`: its name follows the 46 bytes of the record.
std::size_t directoryRecord(const std::string &bytes, const std::string &part)
{
    const std::size_t name = bytes.rfind(part);
    if (name == std::string::npos || name < 46 || get32(bytes, name - 46) != 0x02014b50)
        throw std::runtime_error("no directory record of " + part);
    return name - 46;
}

void runRezip(const std::string &from, const std::string &to, const std::string &arguments)
{
    const std::string command =
        "/usr/bin/python3 '" ELVARO_TESTS_DIR "/export/rezip.py' '" + from + "' '" + to + "' " + arguments;
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("rezip.py failed: " + command);
}

// A workbook of three rows and five cells, written as the program writes it.
class XlsxVerifierTest : public ::testing::Test {
protected:
    XlsxVerifierTest()
    {
        excel::Application application;
        excel::Workbook &workbook = application.Workbooks().Add();
        excel::Worksheet &sheet = workbook.Sheets().Add();
        sheet.setName("Downloaded");
        for (const auto &[row, column, text] : std::vector<std::tuple<int, int, std::string>>{
                 {1, 1, "Temp"}, {1, 2, "+21.5"}, {2, 1, "Zone"}, {3, 1, "OK"}, {3, 4, "12"}})
            sheet.Cells().Item(row, column).setValue(text);
        workbook.SaveAs(good);
    }

    std::optional<std::string> verify(const std::string &path) const { return excel::verifyXlsx(path, {{3, 5}}); }

    TemporaryFolder folder;
    const std::string good = folder.file("good.xlsx");
    const std::string damaged = folder.file("damaged.xlsx");
};

TEST_F(XlsxVerifierTest, AWholeWorkbookPassesPackedOrStored)
{
    EXPECT_EQ(verify(good), std::nullopt);
    runRezip(good, damaged, "store");
    EXPECT_EQ(verify(damaged), std::nullopt);
}

TEST_F(XlsxVerifierTest, ASheetWithOtherRowsOrCellsThanWrittenIsRefused)
{
    EXPECT_EQ(excel::verifyXlsx(good, {{4, 5}}), "its part xl/worksheets/sheet1.xml holds 3 rows instead of 4");
    EXPECT_EQ(excel::verifyXlsx(good, {{3, 6}}), "its part xl/worksheets/sheet1.xml holds 5 cells instead of 6");
    EXPECT_EQ(excel::verifyXlsx(good, {{3, 5}, {1, 1}}), "its part xl/worksheets/sheet2.xml is missing");
}

struct Damage {
    const char *name;
    std::function<void(const std::string &good, const std::string &damaged)> apply;
    const char *fault;
};

void PrintTo(const Damage &damage, std::ostream *out)
{
    *out << damage.name;
}

std::function<void(const std::string &, const std::string &)> editBytes(std::function<void(std::string &)> edit)
{
    return [edit](const std::string &from, const std::string &to) {
        std::string bytes = contentOf(from);
        edit(bytes);
        writeBytes(to, bytes);
    };
}

std::function<void(const std::string &, const std::string &)> rezip(std::string arguments)
{
    return [arguments](const std::string &from, const std::string &to) { runRezip(from, to, arguments); };
}

class DamagedWorkbookTest : public XlsxVerifierTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedWorkbookTest, IsRefusedWithWhatIsWrong)
{
    GetParam().apply(good, damaged);
    EXPECT_EQ(verify(damaged), GetParam().fault);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedWorkbookTest,
    ::testing::Values(
        Damage{"Empty", editBytes([](std::string &bytes) { bytes.clear(); }),
               "the finished file is cut short: its zip directory is missing"},
        Damage{"CutByOneByte", editBytes([](std::string &bytes) { bytes.pop_back(); }),
               "the finished file is cut short: its zip directory is missing"},
        Damage{"DirectoryCountsOneEntryMore", editBytes([](std::string &bytes) {
                   const std::size_t end = bytes.size() - 22;
                   bytes[end + 8] = static_cast<char>(bytes[end + 8] + 1);
                   bytes[end + 10] = static_cast<char>(bytes[end + 10] + 1);
               }),
               "the finished file is damaged: its zip directory does not hold together"},
        Damage{"CheckSum", editBytes([](std::string &bytes) {
                   const std::size_t record = directoryRecord(bytes, kSheet);
                   put32(bytes, record + 16, get32(bytes, record + 16) ^ 1);
               }),
               "its part xl/worksheets/sheet1.xml is damaged (its check sum does not match)"},
        Damage{"Size", editBytes([](std::string &bytes) {
                   const std::size_t record = directoryRecord(bytes, kSheet);
                   put32(bytes, record + 24, get32(bytes, record + 24) + 1);
               }),
               "its part xl/worksheets/sheet1.xml is damaged (its size does not match)"},
        Damage{"CompressedDataCutShort", editBytes([](std::string &bytes) {
                   const std::size_t record = directoryRecord(bytes, kSheet);
                   put32(bytes, record + 20, get32(bytes, record + 20) / 2);
               }),
               "its part xl/worksheets/sheet1.xml is damaged (its compressed data is broken)"},
        Damage{"HeaderOutsideTheFile", editBytes([](std::string &bytes) {
                   const std::size_t record = directoryRecord(bytes, kSheet);
                   put32(bytes, record + 42, static_cast<std::uint32_t>(bytes.size()));
               }),
               "its part xl/worksheets/sheet1.xml is damaged (its header is missing)"},
        Damage{"SheetCutBeforeItsEnd", rezip("cut xl/worksheets/sheet1.xml 14"),
               "its part xl/worksheets/sheet1.xml came out incomplete"},
        Damage{"ThemeCutBeforeItsEnd", rezip("cut xl/theme/theme1.xml 4000"),
               "its part xl/theme/theme1.xml came out incomplete"},
        Damage{"EmptyStyles", rezip("cut xl/styles.xml 100000"), "its part xl/styles.xml came out incomplete"},
        Damage{"RowDropped", rezip("drop-row xl/worksheets/sheet1.xml"),
               "its part xl/worksheets/sheet1.xml holds 2 rows instead of 3"},
        Damage{"WorkbookMissing", rezip("remove xl/workbook.xml"), "its part xl/workbook.xml is missing"}),
    [](const ::testing::TestParamInfo<Damage> &info) { return std::string(info.param.name); });

// The verdict on a part must not depend on how the unpacking cuts it into pieces.
struct XmlPart {
    const char *name;
    std::string text;
    bool complete;
    std::int64_t rows;
    std::int64_t cells;
};

void PrintTo(const XmlPart &part, std::ostream *out)
{
    *out << part.name;
}

class XmlPartCheckTest : public ::testing::TestWithParam<XmlPart> {};

TEST_P(XmlPartCheckTest, GivesTheSameVerdictForEveryCutIntoPieces)
{
    const XmlPart &part = GetParam();
    for (std::size_t size = 1; size <= part.text.size(); ++size) {
        excel::XmlPartCheck check;
        for (std::size_t at = 0; at < part.text.size(); at += size)
            check.add(std::string_view(part.text).substr(at, size));
        EXPECT_EQ(check.isComplete(), part.complete) << "pieces of " << size;
        EXPECT_EQ(check.rows(), part.rows) << "pieces of " << size;
        EXPECT_EQ(check.cells(), part.cells) << "pieces of " << size;
    }
}

const std::string kSheetXml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                              "<worksheet xmlns=\"x\"><cols><col min=\"1\"/></cols><sheetData>"
                              "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>21.5</v></c></row>"
                              "<row r=\"3\"><c r=\"A3\"><v>1</v></c></row></sheetData></worksheet>\n";

INSTANTIATE_TEST_SUITE_P(
    Parts, XmlPartCheckTest,
    ::testing::Values(XmlPart{"Sheet", kSheetXml, true, 2, 3},
                      XmlPart{"SheetCutInItsClosingTag", kSheetXml.substr(0, kSheetXml.size() - 5), false, 2, 3},
                      XmlPart{"SheetCutInARow", kSheetXml.substr(0, kSheetXml.find("<row r=\"3\"") + 6), false, 2, 2},
                      XmlPart{"PrefixedRootAfterAComment",
                              "<?xml version=\"1.0\"?><!-- made here --><cp:coreProperties a=\"1\"><dc:title/>"
                              "</cp:coreProperties>\r\n",
                              true, 0, 0},
                      XmlPart{"EndsWithAnInnerTag", "<Types><Default/></Default>", false, 0, 0},
                      XmlPart{"NoElement", "<?xml version=\"1.0\"?>\n", false, 0, 0}),
    [](const ::testing::TestParamInfo<XmlPart> &info) { return std::string(info.param.name); });

} // namespace
} // namespace elvaro::testing
