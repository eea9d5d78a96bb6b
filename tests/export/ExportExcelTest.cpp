#include "CellTrees.h"
#include "SheetGrid.h"

#include "export/Application.h"
#include "export/ExportExcel.h"
#include "export/WorkbookError.h"
#include "report/OverflowError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace elvaro::testing {
namespace {

using Grid = std::map<std::string, std::string>;
using ::testing::HasSubstr;

class ExportExcelTest : public ::testing::Test {
protected:
    static excel::Worksheet &newSheet(excel::Application &application)
    {
        excel::Worksheet &added = application.Workbooks().Add().Sheets().Add();
        added.setName("Downloaded");
        return added;
    }

    void exportRoot() { excel::ExportExcel(root, 1, 1, sheet); }

    excel::Application application;
    excel::Worksheet &sheet = newSheet(application);
    CCella root;
};

// --- Bands and columns -----------------------------------------------------------------

TEST_F(ExportExcelTest, BandsOfFourTwoAndThreeCellsFillTheirRowsFromColumnA)
{
    // Stored out of reading order: the export sorts by band, then by column.
    addRun(root, "c", 0, 30);
    addRun(root, "f", 1, 9);
    addRun(root, "a", 0, 1);
    addRun(root, "g", 2, 1);
    addRun(root, "d", 0, 40);
    addRun(root, "h", 2, 5);
    addRun(root, "b", 0, 12);
    addRun(root, "e", 1, 2);
    addRun(root, "i", 2, 70);
    exportRoot();
    EXPECT_EQ(grid(sheet), (Grid{{"A1", "a"}, {"B1", "b"}, {"C1", "c"}, {"D1", "d"},
                                 {"A2", "e"}, {"B2", "f"},
                                 {"A3", "g"}, {"B3", "h"}, {"C3", "i"}}));
}

TEST_F(ExportExcelTest, CellsOfOneBandAndColumnKeepTheirOrder)
{
    addRun(root, "first", 0, 3);
    addRun(root, "second", 0, 3);
    exportRoot();
    EXPECT_EQ(grid(sheet), (Grid{{"A1", "first"}, {"B1", "second"}}));
}

TEST_F(ExportExcelTest, TheFirstBandHoldingCellsStartsAtTheGivenColumn)
{
    addRun(root, "late", 3, 17);
    addRun(root, "later", 3, 30);
    excel::ExportExcel(root, 2, 5, sheet);
    EXPECT_EQ(grid(sheet), (Grid{{"E5", "late"}, {"F5", "later"}}));
}

TEST_F(ExportExcelTest, TextsLoseLeadingAndTrailingSpacesOnly)
{
    addRun(root, "  12.5  ", 0, 1);
    addRun(root, "Low  water ", 0, 20);
    addRun(root, "\tTab\t", 0, 40);
    exportRoot();
    EXPECT_EQ(grid(sheet), (Grid{{"A1", "12.5"}, {"B1", "Low  water"}, {"C1", "\tTab\t"}}));
}

struct SkippedText {
    const char *name;
    std::string text;
};

class SkippedTextTest : public ExportExcelTest, public ::testing::WithParamInterface<SkippedText> {};

// Separator and filler runs write nothing, an empty run leaves its cell empty, and each
// still takes its column: the next cell of the band lands one column further.
TEST_P(SkippedTextTest, KeepsItsColumnEmpty)
{
    addRun(root, "before", 0, 1);
    addRun(root, GetParam().text, 0, 10);
    addRun(root, "after", 0, 20);
    exportRoot();
    EXPECT_EQ(grid(sheet), (Grid{{"A1", "before"}, {"C1", "after"}}));
}

INSTANTIATE_TEST_SUITE_P(Texts, SkippedTextTest,
                         ::testing::Values(SkippedText{"Hyphens", "------"}, SkippedText{"Spaces", "    "},
                                           SkippedText{"SpacesAndHyphens", " -- - "}, SkippedText{"Empty", ""}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ExportExcelTest, AnEmptyTextReplacesAnEarlierValue)
{
    CCella &box = addBox(root, 0, 1);
    addRun(box, "from the box", 0, 1);
    addRun(box, "also", 1, 1);
    finishBox(box);
    addRun(root, "", 1, 1);
    exportRoot();
    EXPECT_EQ(grid(sheet), (Grid{{"A1", "from the box"}}));
}

// --- Boxes --------------------------------------------------------------------------------

TEST_F(ExportExcelTest, NestedBoxStartsAtItsPlaceAndLaterCellsReplaceItsCells)
{
    addRun(root, "head", 0, 1);
    CCella &box = addBox(root, 0, 10);
    addRun(box, "b00", 0, 1);
    addRun(box, "b01", 0, 8);
    addRun(box, "b10", 1, 1);
    addRun(box, "b11", 1, 8);
    finishBox(box);
    addRun(root, "r0", 1, 1);
    addRun(root, "r1", 1, 5);
    exportRoot();
    EXPECT_EQ(grid(sheet), (Grid{{"A1", "head"}, {"B1", "b00"}, {"C1", "b01"},
                                 {"A2", "r0"}, {"B2", "r1"}, {"C2", "b11"}}));
}

TEST_F(ExportExcelTest, BoxWithOneRunIsWrittenAsItsText)
{
    CCella &box = addBox(root, 0, 1);
    addRun(box, " Temp  ", 0, 1);
    finishBox(box);
    addRun(root, "next", 0, 12);
    exportRoot();
    EXPECT_EQ(grid(sheet), (Grid{{"A1", "Temp"}, {"B1", "next"}}));
}

TEST_F(ExportExcelTest, BoxWhoseOnlyMemberIsABoxIsWalkedSoItsTextsAreKept)
{
    addRun(root, "Alarms", 0, 1);
    CCella &outer = addBox(root, 1, 1);
    CCella &inner = addBox(outer, 0, 10);
    addRun(inner, "Low water", 0, 1);
    addRun(inner, "0 events", 0, 17);
    addRun(inner, "Overheat", 1, 1);
    addRun(inner, "2 events", 1, 17);
    finishBox(inner);
    finishBox(outer);
    ASSERT_FALSE(outer.ExistSottoCelle);
    exportRoot();
    EXPECT_EQ(grid(sheet), (Grid{{"A1", "Alarms"}, {"A2", "Low water"}, {"B2", "0 events"},
                                 {"A3", "Overheat"}, {"B3", "2 events"}}));
}

TEST_F(ExportExcelTest, ChainOfSingleNestedBoxesReachesTheInnermostText)
{
    CCella *level = &addBox(root, 0, 1);
    std::vector<CCella *> chain{level};
    for (int depth = 0; depth < 3; ++depth) {
        level = &addBox(*level, 0, 2);
        chain.push_back(level);
    }
    addRun(*level, "deep", 0, 1);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        finishBox(**it);
    exportRoot();
    EXPECT_EQ(grid(sheet), (Grid{{"A1", "deep"}}));
}

TEST_F(ExportExcelTest, NestingFarDeeperThanTheStackAllowsIsExported)
{
    // Each level: a nested box in band 0 and a run in band 1, so every level starts at A1 and
    // every run goes to A2 after its nested box: the outermost run is written last.
    constexpr int kDepth = 200'000;
    auto inner = std::make_unique<CCella>();
    inner->setContenuto("deepest");
    for (int depth = kDepth - 1; depth >= 0; --depth) {
        auto box = std::make_unique<CCella>();
        box->setBordato(true);
        addRun(*box, "level " + std::to_string(depth), 1, 1);
        inner->setBordato(true);
        box->SottoCelle()->AddC(*inner);
        box->ExistSottoCelle = true;
        inner = std::move(box);
    }
    root.SottoCelle()->AddC(*inner);
    inner.reset();
    exportRoot();
    EXPECT_EQ(grid(sheet), (Grid{{"A1", "deepest"}, {"A2", "level 0"}}));
}

TEST_F(ExportExcelTest, RootWithoutSubCellsWritesItsTextAtTheStart)
{
    root.setContenuto("  whole report  ");
    exportRoot();
    EXPECT_EQ(grid(sheet), (Grid{{"A1", "whole report"}}));
}

struct RealColumn {
    std::int16_t indexChar;
    const char *cell;
};

class RealColumnTest : public ExportExcelTest, public ::testing::WithParamInterface<RealColumn> {};

// A cell without sub-cells goes to column colonna + IndexChar / 10, rounded to the nearest
// whole column, a half to the even one.
TEST_P(RealColumnTest, RoundsToTheNearestColumnHalvesToEven)
{
    root.setContenuto("x");
    root.setIndexRiga(2);
    root.setIndexChar(GetParam().indexChar);
    exportRoot();
    EXPECT_EQ(grid(sheet), (Grid{{GetParam().cell, "x"}}));
}

INSTANTIATE_TEST_SUITE_P(Columns, RealColumnTest,
                         ::testing::Values(RealColumn{14, "B3"}, RealColumn{15, "B3"}, RealColumn{16, "C3"},
                                           RealColumn{25, "D3"}, RealColumn{45, "F3"}, RealColumn{-4, "A3"}));

TEST_F(ExportExcelTest, RootOfSeparatorsWritesNothingButTheSheetIsFormatted)
{
    root.setContenuto("---- --");
    exportRoot();
    EXPECT_TRUE(sheet.values().empty());
    excel::CellFormat uniform;
    uniform.HorizontalAlignment = excel::xlLeft;
    EXPECT_EQ(sheet.format(), uniform);
    EXPECT_EQ(sheet.selection(), (excel::CellArea{1, 1, 1, 1}));
}

TEST_F(ExportExcelTest, ExportingLeavesTheWholeSheetLeftAlignedWithA1Selected)
{
    addRun(root, "a", 0, 1);
    CCella &box = addBox(root, 0, 5);
    addRun(box, "b", 0, 1);
    addRun(box, "c", 0, 4);
    finishBox(box);
    exportRoot();
    const excel::CellFormat &format = sheet.format();
    EXPECT_EQ(format.HorizontalAlignment, excel::xlLeft);
    EXPECT_EQ(format.VerticalAlignment, excel::xlBottom);
    EXPECT_FALSE(format.WrapText || format.AddIndent || format.ShrinkToFit || format.MergeCells);
    EXPECT_EQ(format.Orientation, 0);
    EXPECT_EQ(sheet.selection(), (excel::CellArea{1, 1, 1, 1}));
}

TEST_F(ExportExcelTest, ExportingTheSameTreeTwiceGivesTheSameSheet)
{
    addRun(root, "b", 0, 9);
    addRun(root, "a", 0, 1);
    exportRoot();
    const Grid first = grid(sheet);
    exportRoot();
    EXPECT_EQ(grid(sheet), first);
}

// --- Limits -------------------------------------------------------------------------------

struct Overflow {
    const char *name;
    std::int16_t riga;
    std::int16_t colonna;
    std::int16_t band;
    int cellsInBand;
    const char *what;
};

class OverflowTest : public ExportExcelTest, public ::testing::WithParamInterface<Overflow> {};

TEST_P(OverflowTest, RaisesTheOverflowErrorNamingWhatOverflowed)
{
    // Separators: the position is computed although nothing is written there.
    const Overflow &overflow = GetParam();
    for (int i = 0; i < overflow.cellsInBand; ++i)
        addRun(root, "----", overflow.band, static_cast<std::int16_t>(1 + 10 * i));
    try {
        excel::ExportExcel(root, overflow.riga, overflow.colonna, sheet);
        FAIL() << "no overflow error";
    } catch (const report::OverflowError &error) {
        EXPECT_THAT(error.what(), HasSubstr(std::string("the ") + overflow.what + " would be 32768"));
    }
}

INSTANTIATE_TEST_SUITE_P(Positions, OverflowTest,
                         ::testing::Values(Overflow{"Row", 32767, 1, 1, 1, "worksheet row"},
                                           Overflow{"RowWithLargeBand", 32000, 1, 768, 1, "worksheet row"},
                                           Overflow{"Column", 1, 32767, 0, 2, "worksheet column"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ExportExcelTest, ColumnBeyondTheSheetIsAnErrorAndEarlierCellsStayWritten)
{
    addRun(root, "last column", 0, 1);
    addRun(root, "one too far", 0, 20);
    try {
        excel::ExportExcel(root, 1, 16384, sheet);
        FAIL() << "no error for column 16385";
    } catch (const excel::WorkbookError &error) {
        EXPECT_STREQ(error.what(),
                     "Column 16385 is outside the worksheet, whose columns run from 1 (A) to 16,384 (XFD).");
    }
    EXPECT_EQ(grid(sheet), (Grid{{"XFD1", "last column"}}));
}

TEST_F(ExportExcelTest, RowBeforeTheSheetIsAnError)
{
    addRun(root, "x", 0, 1);
    try {
        excel::ExportExcel(root, 0, 1, sheet);
        FAIL() << "no error for row 0";
    } catch (const excel::WorkbookError &error) {
        EXPECT_STREQ(error.what(), "Row 0 is outside the worksheet, whose rows run from 1 to 1,048,576.");
    }
}

TEST_F(ExportExcelTest, SeparatorOutsideTheSheetIsNeverAddressed)
{
    addRun(root, "----", 0, 1);
    EXPECT_NO_THROW(excel::ExportExcel(root, 1, -3, sheet));
}

} // namespace
} // namespace elvaro::testing
