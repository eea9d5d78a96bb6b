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

// The message of the WorkbookError that `operation` throws.
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

class SheetNameTest : public WorkbookTest,
                      public ::testing::WithParamInterface<std::pair<std::string, const char *>> {};

TEST_P(SheetNameTest, RefusesNamesAWorkbookCannotHold)
{
    workbook.Sheets().Add().setName("Taken");
    EXPECT_THAT(workbookError([&] { sheet.setName(GetParam().first); }), HasSubstr(GetParam().second));
    EXPECT_EQ(sheet.Name(), "Sheet1");
}

INSTANTIATE_TEST_SUITE_P(Names, SheetNameTest,
                         ::testing::Values(std::pair{std::string(), "A sheet name cannot be empty."},
                                           std::pair{std::string(32, 'x'), "is longer than 31 characters"},
                                           std::pair{std::string("a[b"), "holds one of the characters [ ] : * ? / \\"},
                                           std::pair{std::string("'quoted"), "starts or ends with an apostrophe"},
                                           std::pair{std::string("TAKEN"), "is already used by another sheet"},
                                           std::pair{std::string("\xC3("), "is not valid UTF-8"}));

class AddressTest : public WorkbookTest,
                    public ::testing::WithParamInterface<std::tuple<std::int32_t, double, const char *>> {};

TEST_P(AddressTest, CellsOutsideTheSheetAreErrors)
{
    const auto &[row, column, message] = GetParam();
    EXPECT_EQ(workbookError([&] { sheet.Cells().Item(row, column); }), message);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, AddressTest,
    ::testing::Values(
        std::tuple{0, 1.0, "Row 0 is outside the worksheet, whose rows run from 1 to 1,048,576."},
        std::tuple{1'048'577, 1.0, "Row 1048577 is outside the worksheet, whose rows run from 1 to 1,048,576."},
        std::tuple{1, 0.5, "Column 0 is outside the worksheet, whose columns run from 1 (A) to 16,384 (XFD)."},
        std::tuple{1, 16384.6, "Column 16385 is outside the worksheet, whose columns run from 1 (A) to 16,384 (XFD)."},
        std::tuple{1, NAN, "Column nan is outside the worksheet, whose columns run from 1 (A) to 16,384 (XFD)."},
        std::tuple{1'048'576, 16384.5, "no error"}));

TEST_F(WorkbookTest, TextThatACellCannotHoldIsAnError)
{
    sheet.Cells().Item(1, 1).setValue(std::string(32'767, 'x'));
    EXPECT_EQ(workbookError([&] { sheet.Cells().Item(1, 2).setValue(std::string(32'768, 'x')); }),
              "The text for row 1, column 2 has 32768 characters; a worksheet cell holds at most 32,767.");
    EXPECT_EQ(workbookError([&] { sheet.Cells().Item(1, 3).setValue("\xFF"); }),
              "The text for row 1, column 3 is not valid UTF-8.");
    EXPECT_EQ(workbookError([&] { sheet.Cells().setValue("everywhere"); }),
              "A value can be set on a single cell only; reach it with Cells.Item(row, column).");
    EXPECT_EQ(sheet.values().size(), 1U);
}

TEST_F(WorkbookTest, CellsReadBackInRowOrderWithTheLastWriteOfEachCell)
{
    const auto write = [&](std::int32_t row, std::int32_t column, const char *text) {
        sheet.Cells().Item(row, column).setValue(text);
    };
    write(2, 1, "b");
    write(1, 2, "first");
    write(1, 1, "a");
    write(1, 2, "second");
    write(3, 1, "gone");
    write(3, 1, "");
    write(2, 1, "b again");
    EXPECT_EQ(sheet.values(), (excel::CellValues{{{1, 1}, "a"}, {{1, 2}, "second"}, {{2, 1}, "b again"}}));
    write(1, 1, "");
    write(4, 4, "d");
    EXPECT_EQ(sheet.values(), (excel::CellValues{{{1, 2}, "second"}, {{2, 1}, "b again"}, {{4, 4}, "d"}}));
}

class FormatPropertyTest
    : public WorkbookTest,
      public ::testing::WithParamInterface<std::tuple<const char *, excel::PropertyValue, const char *>> {};

TEST_P(FormatPropertyTest, RefusesWhatTheWorkbookCannotRepresent)
{
    const auto &[name, value, message] = GetParam();
    sheet.Cells().Select();
    EXPECT_THAT(workbookError([&] { application.Selection().setProperty(name, value); }), HasSubstr(message));
    EXPECT_EQ(sheet.format(), excel::CellFormat{});
}

INSTANTIATE_TEST_SUITE_P(
    Properties, FormatPropertyTest,
    ::testing::Values(std::tuple{"Bold", excel::PropertyValue{true}, "Unknown format property 'Bold'"},
                      std::tuple{"HorizontalAlignment", excel::PropertyValue{42}, "'HorizontalAlignment' cannot be 42"},
                      std::tuple{"WrapText", excel::PropertyValue{1}, "'WrapText' takes True or False"},
                      std::tuple{"MergeCells", excel::PropertyValue{true}, "cells cannot be merged here"}));

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
