#include "SheetGrid.h"

#include "export/Application.h"
#include "export/WorkbookError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

namespace elvaro::testing {
namespace {

using ::testing::HasSubstr;

// Runs `operation` and returns the message of the WorkbookError it throws.
std::string workbookError(const std::function<void()> &operation)
{
    try {
        operation();
    } catch (const excel::WorkbookError &error) {
        return error.what();
    }
    return "no error";
}

class WorkbookTest : public ::testing::Test {
protected:
    excel::Application application;
    excel::Workbook &workbook = application.Workbooks().Add();
    excel::Worksheet &sheet = workbook.Sheets().Add();
};

// --- Workbooks and sheets -----------------------------------------------------------------

TEST_F(WorkbookTest, NewSheetsAreNumberedAndTheLastAddedIsActive)
{
    EXPECT_FALSE(application.Visible());
    excel::Worksheet &second = workbook.Sheets().Add();
    EXPECT_EQ(sheet.Name(), "Sheet1");
    EXPECT_EQ(second.Name(), "Sheet2");
    EXPECT_EQ(workbook.ActiveSheet(), &second);
    sheet.setName("Sheet3");
    EXPECT_EQ(workbook.Sheets().Add().Name(), "Sheet4");
}

TEST_F(WorkbookTest, PositionsOutsideTheCollectionsAreErrors)
{
    EXPECT_EQ(workbookError([&] { application.Workbooks().Item(2); }),
              "There is no workbook at position 2; the workbooks run from 1 to 1.");
    EXPECT_EQ(workbookError([&] { workbook.Sheets().Item(0); }),
              "There is no sheet at position 0; the sheets run from 1 to 1.");
}

struct BadName {
    const char *label;
    std::string name;
    const char *message;
};

class SheetNameTest : public WorkbookTest, public ::testing::WithParamInterface<BadName> {};

TEST_P(SheetNameTest, RefusesNamesAWorkbookCannotHold)
{
    workbook.Sheets().Add().setName("Taken");
    EXPECT_THAT(workbookError([&] { sheet.setName(GetParam().name); }), HasSubstr(GetParam().message));
    EXPECT_EQ(sheet.Name(), "Sheet1");
}

INSTANTIATE_TEST_SUITE_P(
    Names, SheetNameTest,
    ::testing::Values(BadName{"Empty", "", "A sheet name cannot be empty."},
                      BadName{"TooLong", std::string(32, 'x'), "is longer than 31 characters"},
                      BadName{"Bracket", "a[b", "holds one of the characters [ ] : * ? / \\"},
                      BadName{"Slash", "a/b", "holds one of the characters"},
                      BadName{"Apostrophe", "'quoted", "starts or ends with an apostrophe"},
                      BadName{"Duplicate", "TAKEN", "is already used by another sheet"},
                      BadName{"NotUtf8", "\xC3(", "is not valid UTF-8"}),
    [](const auto &info) { return std::string(info.param.label); });

TEST_F(WorkbookTest, ASheetMayKeepItsOwnNameInAnotherCase)
{
    sheet.setName("downloaded");
    sheet.setName("Downloaded");
    sheet.setName(std::string(31, 'x'));
    EXPECT_EQ(sheet.Name(), std::string(31, 'x'));
}

// --- Cells and values ---------------------------------------------------------------------

struct Address {
    std::int32_t row;
    double column;
    const char *message;
};

class AddressTest : public WorkbookTest, public ::testing::WithParamInterface<Address> {};

TEST_P(AddressTest, CellsOutsideTheSheetAreErrors)
{
    EXPECT_EQ(workbookError([&] { sheet.Cells().Item(GetParam().row, GetParam().column); }), GetParam().message);
}

constexpr const char *kRowMessage = " is outside the worksheet, whose rows run from 1 to 1,048,576.";
constexpr const char *kColumnMessage = " is outside the worksheet, whose columns run from 1 (A) to 16,384 (XFD).";

INSTANTIATE_TEST_SUITE_P(
    Addresses, AddressTest,
    ::testing::Values(Address{0, 1, "Row 0 is outside the worksheet, whose rows run from 1 to 1,048,576."},
                      Address{1'048'577, 1, "Row 1048577 is outside the worksheet, whose rows run from 1 to 1,048,576."},
                      Address{1, 0.5, "Column 0 is outside the worksheet, whose columns run from 1 (A) to 16,384 (XFD)."},
                      Address{1, 16384.6,
                              "Column 16385 is outside the worksheet, whose columns run from 1 (A) to 16,384 (XFD)."},
                      Address{1, 1e300, "Column 1e+300 is outside the worksheet, whose columns run from 1 (A) to 16,384 (XFD)."},
                      Address{1, NAN, "Column nan is outside the worksheet, whose columns run from 1 (A) to 16,384 (XFD)."}));

TEST_F(WorkbookTest, TheLastCellOfTheSheetTakesAValue)
{
    sheet.Cells().Item(1'048'576, 16'384).setValue("corner");
    sheet.Cells().Item(2, 16'384.5).setValue("half to even");
    EXPECT_EQ(grid(sheet), (std::map<std::string, std::string>{{"XFD1048576", "corner"}, {"XFD2", "half to even"}}));
}

TEST_F(WorkbookTest, ItemCountsFromTheTopLeftCellOfItsRange)
{
    sheet.Cells().Item(3, 3).Item(2, 0).setValue("relative");
    EXPECT_EQ(sheet.valueAt(4, 2), "relative");
}

TEST_F(WorkbookTest, ALaterValueReplacesAnEarlierOneAndAnEmptyTextEmptiesTheCell)
{
    sheet.Cells().Item(2, 2).setValue("first");
    sheet.Cells().Item(2, 2).setValue("second");
    sheet.Cells().Item(3, 3).setValue("gone");
    sheet.Cells().Item(3, 3).setValue("");
    EXPECT_EQ(grid(sheet), (std::map<std::string, std::string>{{"B2", "second"}}));
}

TEST_F(WorkbookTest, TextLongerThanACellHoldsIsAnError)
{
    sheet.Cells().Item(1, 1).setValue(std::string(32'767, 'x'));
    EXPECT_EQ(workbookError([&] { sheet.Cells().Item(1, 2).setValue(std::string(32'768, 'x')); }),
              "The text for row 1, column 2 has 32768 characters; a worksheet cell holds at most 32,767.");
    EXPECT_EQ(workbookError([&] { sheet.Cells().Item(1, 3).setValue("\xFF"); }),
              "The text for row 1, column 3 is not valid UTF-8.");
    EXPECT_EQ(sheet.values().size(), 1U);
}

TEST_F(WorkbookTest, AValueGoesToASingleCellOnly)
{
    EXPECT_EQ(workbookError([&] { sheet.Cells().setValue("everywhere"); }),
              "A value can be set on a single cell only; reach it with Cells.Item(row, column).");
}

// --- Selection and format -----------------------------------------------------------------

TEST_F(WorkbookTest, FormatPropertiesApplyToTheWholeSheetSelection)
{
    sheet.Cells().Select();
    application.Selection().setProperty("HorizontalAlignment", excel::xlRight);
    application.Selection().setProperty("WrapText", true);
    application.Selection().setProperty("Orientation", std::int16_t{45});
    EXPECT_EQ(sheet.format().HorizontalAlignment, excel::xlRight);
    EXPECT_TRUE(sheet.format().WrapText);
    EXPECT_EQ(sheet.format().Orientation, 45);
}

TEST_F(WorkbookTest, SelectionFollowsTheSheetLastSelected)
{
    excel::Worksheet &other = workbook.Sheets().Add();
    sheet.Cells().Select();
    application.Selection().setProperty("ShrinkToFit", true);
    EXPECT_TRUE(sheet.format().ShrinkToFit);
    EXPECT_FALSE(other.format().ShrinkToFit);
    EXPECT_EQ(workbook.ActiveSheet(), &sheet);
}

struct BadProperty {
    const char *label;
    const char *name;
    excel::PropertyValue value;
    const char *message;
};

class FormatPropertyTest : public WorkbookTest, public ::testing::WithParamInterface<BadProperty> {};

TEST_P(FormatPropertyTest, RefusesWhatTheWorkbookCannotRepresent)
{
    sheet.Cells().Select();
    EXPECT_THAT(workbookError([&] { application.Selection().setProperty(GetParam().name, GetParam().value); }),
                HasSubstr(GetParam().message));
    EXPECT_EQ(sheet.format(), excel::CellFormat{});
}

INSTANTIATE_TEST_SUITE_P(
    Properties, FormatPropertyTest,
    ::testing::Values(
        BadProperty{"Unknown", "Bold", true, "Unknown format property 'Bold'"},
        BadProperty{"HorizontalValue", "HorizontalAlignment", 42, "'HorizontalAlignment' cannot be 42"},
        BadProperty{"VerticalValue", "VerticalAlignment", excel::xlLeft, "'VerticalAlignment' cannot be -4131"},
        BadProperty{"OrientationRange", "Orientation", std::int16_t{91}, "use an angle from -90 to 90 degrees"},
        BadProperty{"BooleanForNumber", "HorizontalAlignment", true, "takes a number, not True or False"},
        BadProperty{"NumberForBoolean", "WrapText", 1, "'WrapText' takes True or False"},
        BadProperty{"Merge", "MergeCells", true, "cells cannot be merged here"},
        BadProperty{"Indent", "AddIndent", true, "only False is supported"}),
    [](const auto &info) { return std::string(info.param.label); });

TEST_F(WorkbookTest, FormattingNeedsTheWholeSheetSelected)
{
    sheet.Cells().Item(2, 2).Select();
    EXPECT_EQ(workbookError([&] { application.Selection().setProperty("WrapText", true); }),
              "Format properties are set here on all cells of a sheet only: select Cells first.");
    excel::Application empty;
    EXPECT_EQ(workbookError([&] { empty.Selection().setProperty("WrapText", true); }),
              "Nothing is selected: add a workbook and a sheet first.");
}

} // namespace
} // namespace elvaro::testing
