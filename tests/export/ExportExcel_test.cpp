#include "ExportTestSupport.h"

#include "export/SheetError.h"
#include "report/OverflowError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace elvaro::testing {
namespace {

using ::testing::HasSubstr;

class ExportExcelTest : public ::testing::Test {
protected:
    excel::SheetArea exportRoot(std::int16_t riga = 1, std::int16_t colonna = 1)
    {
        return excel::ExportExcel(root, riga, colonna, sheet);
    }

    excel::Worksheet sheet{"Downloaded"};
    CCella root;
};

TEST_F(ExportExcelTest, BandsFillConsecutiveColumnsFromTheGivenCellInReadingOrderTrimmed)
{
    // Stored out of order, the first band holding cells is band 3.
    addCell(root, "c", 3, 30);
    addCell(root, "  12.5  ", 4, 9);
    addCell(root, "a", 3, 1);
    addCell(root, "Low  water ", 5, 5);
    addCell(root, "b", 3, 12);
    addCell(root, "e", 4, 2);
    const excel::SheetArea area = exportRoot(2, 5);
    EXPECT_EQ(grid(sheet),
              (Grid{{"E5", "a"}, {"F5", "b"}, {"G5", "c"}, {"E6", "e"}, {"F6", "12.5"}, {"E7", "Low  water"}}));
    EXPECT_EQ(area.rows, 6);
    EXPECT_EQ(area.columns, 3);
    EXPECT_TRUE(sheet.hasUniformFormat());
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

// A cell without sub-cells goes to row riga + IndexRiga and column colonna + IndexChar / 10,
// the nearest whole column, a half to the even one; a separator writes nothing.
TEST_F(ExportExcelTest, ACellWithoutSubCellsGoesToTheNearestColumnHalvesToEven)
{
    for (const auto &[indexChar, cell] : {std::pair{0, "A3"}, std::pair{14, "B3"}, std::pair{15, "B3"},
                                          std::pair{16, "C3"}, std::pair{25, "D3"}, std::pair{-4, "A3"}}) {
        excel::Worksheet fresh("Downloaded");
        CCella leaf;
        leaf.setContenuto("  whole report  ");
        leaf.setIndexRiga(2);
        leaf.setIndexChar(static_cast<std::int16_t>(indexChar));
        excel::ExportExcel(leaf, 1, 1, fresh);
        EXPECT_EQ(grid(fresh), (Grid{{cell, "whole report"}})) << indexChar;
    }
    root.setContenuto("---- --");
    exportRoot();
    EXPECT_TRUE(sheet.values().empty());
    EXPECT_TRUE(sheet.hasUniformFormat());
}

// Separators: the position is computed although nothing is written there.
TEST(ExportOverflow, RaisesTheOverflowErrorNamingWhatOverflowed)
{
    struct Overflow {
        std::int16_t riga, colonna, band;
        int cells;
        const char *what;
    };
    for (const Overflow &c : {Overflow{32767, 1, 1, 1, "worksheet row"}, Overflow{32000, 1, 768, 1, "worksheet row"},
                              Overflow{1, 32767, 0, 2, "worksheet column"}}) {
        CCella root;
        for (int i = 0; i < c.cells; ++i)
            addCell(root, "----", c.band, static_cast<std::int16_t>(1 + 10 * i));
        excel::Worksheet sheet("Downloaded");
        try {
            excel::ExportExcel(root, c.riga, c.colonna, sheet);
            ADD_FAILURE() << "no overflow of the " << c.what;
        } catch (const report::OverflowError &error) {
            EXPECT_THAT(error.what(), HasSubstr(std::string("the ") + c.what + " would be 32768"));
        }
    }
}

TEST(ExportOverflow, MoreCellsThanOneBoxCanSortAreRefusedNamingTheBox)
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
    try {
        exportedGrid(text);
        FAIL() << "no overflow";
    } catch (const report::OverflowError &error) {
        EXPECT_STREQ(error.what(), "Overflow: the box on line 3 of the report holds 40000 cells, more than the 32,767 "
                                   "that one box can hold in the export. Export a smaller part of it.");
    }
}

TEST_F(ExportExcelTest, AColumnBeyondTheSheetIsAnErrorAndEarlierCellsStayWritten)
{
    addCell(root, "last column", 0, 1);
    addCell(root, "one too far", 0, 20);
    try {
        exportRoot(1, 16384);
        FAIL() << "no error for column 16385";
    } catch (const excel::SheetError &error) {
        EXPECT_STREQ(error.what(),
                     "Column 16385 is outside the worksheet, whose columns run from 1 (A) to 16,384 (XFD).");
    }
    EXPECT_EQ(grid(sheet), (Grid{{"XFD1", "last column"}}));
}

} // namespace
} // namespace elvaro::testing
