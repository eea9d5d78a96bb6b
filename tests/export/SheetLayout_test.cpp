#include "ExportTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace elvaro::testing {
namespace {

Grid sheetOf(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + "\r\n";
    return exportedGrid(text);
}

struct LayoutCase {
    const char *name;
    std::vector<std::string> lines;
    Grid cells;
};

class SheetLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(SheetLayout, PlacesEveryTextOnceWhereTheReportShowsIt)
{
    EXPECT_EQ(sheetOf(GetParam().lines), GetParam().cells);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, SheetLayout,
    ::testing::Values(
        LayoutCase{
            "Line1HasARowOfItsOwn", {"TITLE", "A  B", "C"}, {{"A1", "TITLE"}, {"A2", "A"}, {"B2", "B"}, {"A3", "C"}}},
        LayoutCase{
            "WorkedExample",
            {"REPORT    N. 12", "+-------+ +------+", "| Temp  | | 21.5 |", "+-------+ +------+", "OK   done", ""},
            {{"A1", "REPORT"}, {"B1", "N. 12"}, {"A2", "Temp"}, {"B2", "21.5"}, {"A4", "OK"}, {"B4", "done"}}},
        LayoutCase{"ThreeBandsOfPlainTexts",
                   {"a  b  c  d", "e  f", "g  h  i"},
                   {{"A1", "a"},
                    {"B1", "b"},
                    {"C1", "c"},
                    {"D1", "d"},
                    {"A2", "e"},
                    {"B2", "f"},
                    {"A3", "g"},
                    {"B3", "h"},
                    {"C3", "i"}}},
        LayoutCase{"ABoxBesideText",
                   {"Label  +------+  tail", "       | a  b |", "       +------+", "next"},
                   {{"A1", "Label"}, {"B1", "a"}, {"C1", "b"}, {"D1", "tail"}, {"A3", "next"}}},
        LayoutCase{"ATallBoxFollowedByText",
                   {"+------+", "| a    |", "| b    |", "| c    |", "+------+", "after"},
                   {{"A1", "a"}, {"A2", "b"}, {"A3", "c"}, {"A4", "after"}}},
        LayoutCase{"BoxesOfDifferentHeightsSideBySide",
                   {"+----+ +----+", "| a  | | x  |", "| b  | +----+", "| c  |", "+----+", "end"},
                   {{"A1", "a"}, {"A2", "b"}, {"A3", "c"}, {"B1", "x"}, {"A5", "end"}}},
        LayoutCase{
            "ANestedBoxWithCellsAfterItInItsBand",
            {"+----------------------+", "| head                 |", "| +--------+  right    |",
             "| | p   1  |           |", "| | q   2  |           |", "| +--------+           |",
             "| tail                 |", "+----------------------+"},
            {{"A1", "head"}, {"A2", "p"}, {"B2", "1"}, {"A3", "q"}, {"B3", "2"}, {"C2", "right"}, {"A4", "tail"}}},
        LayoutCase{"ABoxWhoseOnlyMemberIsABox",
                   {"Alarms", "+------------------+", "|  +------------+  |", "|  | Low   0    |  |",
                    "|  | High  2    |  |", "|  +------------+  |", "+------------------+", "end"},
                   {{"A1", "Alarms"}, {"A2", "Low"}, {"B2", "0"}, {"A3", "High"}, {"B3", "2"}, {"A4", "end"}}},
        LayoutCase{"SeparatorsKeepTheirPlaceButWriteNothing",
                   {"Head", "-----------", "+---+ +---+", "| 1 | | 2 |", "+---+ +---+", "-----------", "Foot"},
                   {{"A1", "Head"}, {"A3", "1"}, {"B3", "2"}, {"A6", "Foot"}}},
        // Separator and blank runs write nothing, yet each takes its column.
        LayoutCase{"SkippedRunsKeepTheirColumn",
                   {"a  - --  b", "+--+ +--+ +--+", "|c | |  | |d |", "+--+ +--+ +--+"},
                   {{"A1", "a"}, {"C1", "b"}, {"A2", "c"}, {"C2", "d"}}},
        LayoutCase{"TextBeforeACornerIsWrittenOnce",
                   {"Label  +---+  x", "       | 7 |", "       +---+"},
                   {{"A1", "Label"}, {"B1", "7"}, {"C1", "x"}}}),
    [](const ::testing::TestParamInfo<LayoutCase> &info) { return info.param.name; });

} // namespace
} // namespace elvaro::testing
