#include "ExportTestSupport.h"

#include "export/Application.h"
#include "export/ExportExcel.h"
#include "export/WorkbookError.h"
#include "report/OverflowError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace elvaro::testing {
namespace {

class ExportExcelTest : public ::testing::Test {
protected:
    void exportRoot(std::int16_t riga = 1, std::int16_t colonna = 1) { excel::ExportExcel(root, riga, colonna, sheet); }

    excel::Application application;
    excel::Worksheet &sheet = application.Workbooks().Add().Sheets().Add();
    CCella root;
};

TEST_F(ExportExcelTest, BandsFillConsecutiveColumnsInReadingOrderWithTextsTrimmed)
{
    // Stored out of order: the export sorts by band, then by column.
    for (const auto &[text, band, column] :
         std::vector<std::tuple<std::string, std::int16_t, std::int16_t>>{{"c", 0, 30},
                                                                          {"  12.5  ", 1, 9},
                                                                          {"a", 0, 1},
                                                                          {"g", 2, 1},
                                                                          {"d", 0, 40},
                                                                          {"Low  water ", 2, 5},
                                                                          {"b", 0, 12},
                                                                          {"e", 1, 2},
                                                                          {"i", 2, 70}})
        addCell(root, text, band, column);
    exportRoot();
    EXPECT_EQ(grid(sheet), (Grid{{"A1", "a"},
                                 {"B1", "b"},
                                 {"C1", "c"},
                                 {"D1", "d"},
                                 {"A2", "e"},
                                 {"B2", "12.5"},
                                 {"A3", "g"},
                                 {"B3", "Low  water"},
                                 {"C3", "i"}}));
}

TEST_F(ExportExcelTest, TheFirstBandHoldingCellsStartsAtTheGivenRowAndColumn)
{
    addCell(root, "late", 3, 17);
    addCell(root, "later", 3, 30);
    exportRoot(2, 5);
    EXPECT_EQ(grid(sheet), (Grid{{"E5", "late"}, {"F5", "later"}}));
}

class SkippedTextTest : public ExportExcelTest, public ::testing::WithParamInterface<std::string> {};

// Separator and filler runs write nothing and an empty run leaves its cell empty, yet each
// takes its column: the next cell of the band lands one column further.
TEST_P(SkippedTextTest, KeepsItsColumnEmpty)
{
    addCell(root, "before", 0, 1);
    addCell(root, GetParam(), 0, 10);
    addCell(root, "after", 0, 20);
    exportRoot();
    EXPECT_EQ(grid(sheet), (Grid{{"A1", "before"}, {"C1", "after"}}));
}

INSTANTIATE_TEST_SUITE_P(Texts, SkippedTextTest, ::testing::Values("------", "    ", " -- - ", ""));

TEST_F(ExportExcelTest, ANestedBoxTakesTheRowsAndColumnsItWroteAndNothingIsReplaced)
{
    addCell(root, "head", 0, 1);
    CCella &box = addCell(root, "", 0, 10, true);
    addCell(box, "b00", 0, 1);
    addCell(box, "b01", 0, 8);
    addCell(box, "b10", 1, 1);
    addCell(box, "b11", 1, 8);
    finishBox(box);
    CCella &single = addCell(root, "", 0, 30, true);
    addCell(single, " Temp  ", 0, 1);
    finishBox(single);
    addCell(root, "r0", 1, 1);
    addCell(root, "r1", 1, 5);
    const excel::SheetArea area = excel::ExportExcel(root, 1, 1, sheet);
    // The box takes B1:C2, so Temp goes right of it and the parent's band 1 starts below it.
    EXPECT_EQ(grid(sheet), (Grid{{"A1", "head"},
                                 {"B1", "b00"},
                                 {"C1", "b01"},
                                 {"B2", "b10"},
                                 {"C2", "b11"},
                                 {"D1", "Temp"},
                                 {"A3", "r0"},
                                 {"B3", "r1"}}));
    EXPECT_EQ(area.rows, 3);
    EXPECT_EQ(area.columns, 4);
}

TEST_F(ExportExcelTest, BoxWhoseOnlyMemberIsABoxIsWalkedSoItsTextsAreKept)
{
    addCell(root, "Alarms", 0, 1);
    CCella &outer = addCell(root, "", 1, 1, true);
    CCella &inner = addCell(outer, "", 0, 10, true);
    addCell(inner, "Low water", 0, 1);
    addCell(inner, "0 events", 0, 17);
    addCell(inner, "Overheat", 1, 1);
    finishBox(inner);
    finishBox(outer);
    ASSERT_FALSE(outer.ExistSottoCelle);
    exportRoot();
    EXPECT_EQ(grid(sheet), (Grid{{"A1", "Alarms"}, {"A2", "Low water"}, {"B2", "0 events"}, {"A3", "Overheat"}}));
}

TEST_F(ExportExcelTest, NestingFarDeeperThanTheStackAllowsIsExportedInOrder)
{
    // Each level holds one box and nothing else, so every level is walked to reach the innermost
    // text; the root's band 1 goes below it.
    auto inner = std::make_unique<CCella>();
    inner->setContenuto("deepest");
    for (int depth = 200'000; depth >= 0; --depth) {
        auto box = std::make_unique<CCella>();
        inner->setBordato(true);
        box->SottoCelle()->AddC(*inner);
        inner = std::move(box);
    }
    root.SottoCelle()->AddC(*inner);
    inner.reset();
    addCell(root, "after", 1, 1);
    root.ExistSottoCelle = true;
    exportRoot();
    EXPECT_EQ(grid(sheet), (Grid{{"A1", "deepest"}, {"A2", "after"}}));
}

TEST_F(ExportExcelTest, EveryExportEndsWithTheWholeSheetLeftAlignedAndA1Selected)
{
    root.setContenuto("---- --");
    exportRoot();
    EXPECT_TRUE(sheet.values().empty());
    excel::CellFormat uniform;
    uniform.HorizontalAlignment = excel::xlLeft;
    EXPECT_EQ(sheet.format(), uniform);
    EXPECT_EQ(sheet.selection(), (excel::CellArea{1, 1, 1, 1}));
}

class RealColumnTest : public ExportExcelTest,
                       public ::testing::WithParamInterface<std::pair<std::int16_t, const char *>> {};

// A cell without sub-cells goes to row riga + IndexRiga and column colonna + IndexChar / 10,
// the nearest whole column, a half to the even one.
TEST_P(RealColumnTest, RootTextGoesToTheNearestColumnHalvesToEven)
{
    root.setContenuto("  whole report  ");
    root.setIndexRiga(2);
    root.setIndexChar(GetParam().first);
    exportRoot();
    EXPECT_EQ(grid(sheet), (Grid{{GetParam().second, "whole report"}}));
}

INSTANTIATE_TEST_SUITE_P(Columns, RealColumnTest,
                         ::testing::Values(std::pair{std::int16_t{0}, "A3"}, std::pair{std::int16_t{14}, "B3"},
                                           std::pair{std::int16_t{15}, "B3"}, std::pair{std::int16_t{16}, "C3"},
                                           std::pair{std::int16_t{25}, "D3"}, std::pair{std::int16_t{-4}, "A3"}));

struct Overflow {
    std::int16_t riga, colonna, band;
    int cells;
    const char *what;
};

class OverflowTest : public ExportExcelTest, public ::testing::WithParamInterface<Overflow> {};

// Separators: the position is computed although nothing is written there.
TEST_P(OverflowTest, RaisesTheOverflowErrorNamingWhatOverflowed)
{
    for (int i = 0; i < GetParam().cells; ++i)
        addCell(root, "----", GetParam().band, static_cast<std::int16_t>(1 + 10 * i));
    try {
        exportRoot(GetParam().riga, GetParam().colonna);
        FAIL() << "no overflow error";
    } catch (const report::OverflowError &error) {
        EXPECT_THAT(error.what(), ::testing::HasSubstr(std::string("the ") + GetParam().what + " would be 32768"));
    }
}

INSTANTIATE_TEST_SUITE_P(Positions, OverflowTest,
                         ::testing::Values(Overflow{32767, 1, 1, 1, "worksheet row"},
                                           Overflow{32000, 1, 768, 1, "worksheet row"},
                                           Overflow{1, 32767, 0, 2, "worksheet column"}));

TEST(ExportCellCount, MoreCellsThanOneBoxCanSortAreRefusedNamingTheBox)
{
    // Line 3 of the report opens a box whose four lines hold 10,000 runs each.
    std::string many;
    for (int run = 0; run < 10000; ++run)
        many += "v  ";
    const std::string border = "+" + std::string(many.size(), '-') + "+";
    std::string text = "title\r\n\r\n" + border + "\r\n";
    for (int line = 0; line < 4; ++line)
        text += "|" + many + "|\r\n";
    text += border + "\r\n";
    CCella root;
    testing::SilentReporter quiet;
    try {
        root.newCella(text, quiet);
        excel::Application application;
        excel::ExportExcel(root, 1, 1, application.Workbooks().Add().Sheets().Add());
        FAIL() << "no overflow";
    } catch (const report::OverflowError &error) {
        EXPECT_STREQ(error.what(), "Overflow: the box on line 3 of the report holds 40000 cells, more than the 32,767 "
                                   "that one box can hold in the export. Export a smaller part of it.");
    }
}

TEST_F(ExportExcelTest, ColumnBeyondTheSheetIsAnErrorAndEarlierCellsStayWritten)
{
    addCell(root, "last column", 0, 1);
    addCell(root, "one too far", 0, 20);
    try {
        exportRoot(1, 16384);
        FAIL() << "no error for column 16385";
    } catch (const excel::WorkbookError &error) {
        EXPECT_STREQ(error.what(),
                     "Column 16385 is outside the worksheet, whose columns run from 1 (A) to 16,384 (XFD).");
    }
    EXPECT_EQ(grid(sheet), (Grid{{"XFD1", "last column"}}));
}

} // namespace
} // namespace elvaro::testing
