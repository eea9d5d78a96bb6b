#include "export/CellValue.h"

#include <gtest/gtest.h>

#include <cmath>

namespace elvaro::testing {
namespace {

class PlainNumberTest : public ::testing::TestWithParam<std::pair<std::string, std::optional<double>>> {};

TEST_P(PlainNumberTest, ReadsOnlyPlainDecimalNumbers)
{
    EXPECT_EQ(excel::plainNumber(GetParam().first), GetParam().second) << '"' << GetParam().first << '"';
}

INSTANTIATE_TEST_SUITE_P(Numbers, PlainNumberTest,
                         ::testing::ValuesIn(std::vector<std::pair<std::string, std::optional<double>>>{
                             {"12.5", 12.5},
                             {"-3", -3},
                             {"+85.0", 85},
                             {"0", 0},
                             {"0.25", 0.25},
                             {"1e3", 1000},
                             {"2.5E-2", 0.025},
                             {"123456789012345", 123456789012345.0},
                             {"1000000000000000000000", 1e21}}));

// Kept as text: a leading zero before another digit, anything that is not a plain number,
// more significant digits than a double keeps, values beyond a double's range.
INSTANTIATE_TEST_SUITE_P(Texts, PlainNumberTest,
                         ::testing::ValuesIn(std::vector<std::pair<std::string, std::optional<double>>>{
                             {"007", {}},
                             {"0012", {}},
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
                             {"1234567890123456", {}}}));

TEST(PlainNumberTest, AMinusZeroIsZero)
{
    for (const char *zero : {"-0", "-0.0", "-0e5"}) {
        const std::optional<double> value = excel::plainNumber(zero);
        ASSERT_TRUE(value) << zero;
        EXPECT_FALSE(std::signbit(*value)) << zero;
    }
}

class PrintedNumberFormatTest : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(PrintedNumberFormatTest, ShowsTheNumberAsPrinted)
{
    EXPECT_EQ(excel::printedNumberFormat(GetParam().first), GetParam().second) << '"' << GetParam().first << '"';
}

// The decimals as printed; a "+" kept in front of every value the cell may later hold; a "-"
// kept before a zero, which has no sign of its own; General where no format shows the form.
INSTANTIATE_TEST_SUITE_P(Forms, PrintedNumberFormatTest,
                         ::testing::ValuesIn(std::vector<std::pair<std::string, std::string>>{
                             {"12", "0"},
                             {"-3", "0"},
                             {"0", "0"},
                             {"85.0", "0.0"},
                             {"-0.40", "0.00"},
                             {"+21.5", "+0.0;-0.0"},
                             {"+0", "+0;-0"},
                             {"+0.000", "+0.000;-0.000"},
                             {"-0", "0;-0;-0"},
                             {"-0.0", "0.0;-0.0;-0.0"},
                             {"1e3", ""},
                             {"-2.5E-2", ""},
                             {"0." + std::string(29, '0') + "5", "0." + std::string(30, '0')},
                             {"0." + std::string(30, '0') + "5", ""}}));

class EscapedTextTest : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(EscapedTextTest, StoresControlCharactersAsWorkbookEscapes)
{
    EXPECT_EQ(excel::escapedText(GetParam().first), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Texts, EscapedTextTest,
                         ::testing::ValuesIn(std::vector<std::pair<std::string, std::string>>{
                             {"page\fbreak", "page_x000C_break"},
                             {"\x1b"
                              "E\r",
                              "_x001B_E_x000D_"},
                             {std::string("nul\0end", 7), "nul_x0000_end"},
                             {"tab\tand\nfeed", "tab\tand\nfeed"},
                             {"_x0041_", "_x005F_x0041_"},
                             {"_x004_ _xZZZZ_ a_b", "_x004_ _xZZZZ_ a_b"}}));

TEST(Utf8LengthTest, CountsCharactersAndRefusesBrokenSequences)
{
    EXPECT_EQ(excel::utf8Length("\xC3\xA9t\xC3\xA9\xF0\x9F\x98\x80"), 4U);
    for (const char *broken : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xB0"})
        EXPECT_EQ(excel::utf8Length(broken), std::nullopt) << broken;
}

} // namespace
} // namespace elvaro::testing
