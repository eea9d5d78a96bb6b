#include "workbook/CellValue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace elvaro::testing {
namespace {

// Kept as text: a leading zero before another digit, anything that is not a plain decimal
// number, more significant digits than a double keeps, values beyond a double's range. The
// workbook read back shows the usual numbers and their formats.
TEST(CellValueTest, OnlyPlainDecimalNumbersBecomeNumbers)
{
    const std::vector<std::pair<std::string, std::optional<double>>> texts{{"0", 0},
                                                                           {"0.25", 0.25},
                                                                           {"1e3", 1000},
                                                                           {"1000000000000000000000", 1e21},
                                                                           {"007", {}},
                                                                           {"-01", {}},
                                                                           {"", {}},
                                                                           {"+", {}},
                                                                           {"1.", {}},
                                                                           {".5", {}},
                                                                           {"1e", {}},
                                                                           {"12a", {}},
                                                                           {" 12", {}},
                                                                           {"1,5", {}},
                                                                           {"0x10", {}},
                                                                           {"inf", {}},
                                                                           {"1e400", {}},
                                                                           {"1e-400", {}},
                                                                           {"1234567890123456", {}}};
    for (const auto &[text, number] : texts)
        EXPECT_EQ(workbook::plainNumber(text), number) << '"' << text << '"';
    for (const char *zero : {"-0", "-0.0", "-0e5"})
        EXPECT_FALSE(std::signbit(workbook::plainNumber(zero).value())) << zero;
}

TEST(CellValueTest, ANumberFormatShowsAtMostThirtyDecimals)
{
    const auto format = [](const std::string &text) { return workbook::numberFormatOf(workbook::printedForm(text)); };
    EXPECT_EQ(format("0." + std::string(29, '0') + "5"), "0." + std::string(30, '0'));
    EXPECT_EQ(format("0." + std::string(30, '0') + "5"), "");
    EXPECT_EQ(format("+0.000"), "+0.000;-0.000");
}

TEST(CellValueTest, OnlyWhatWouldReadAsAnEscapeIsEscaped)
{
    EXPECT_EQ(workbook::escapedText("tab\tand\nfeed _x004_ _xZZZZ_ a_b"), "tab\tand\nfeed _x004_ _xZZZZ_ a_b");
    EXPECT_EQ(workbook::escapedText("_x0041_\x1f"), "_x005F_x0041__x001F_");
}

} // namespace
} // namespace elvaro::testing
