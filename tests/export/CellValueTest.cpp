#include "export/CellValue.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace elvaro::testing {
namespace {

struct NumberCase {
    std::string text;
    std::optional<double> number;
};

class PlainNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(PlainNumberTest, ReadsOnlyPlainDecimalNumbers)
{
    EXPECT_EQ(excel::plainNumber(GetParam().text), GetParam().number) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(Numbers, PlainNumberTest,
                         ::testing::Values(NumberCase{"12.5", 12.5}, NumberCase{"-3", -3}, NumberCase{"+85.0", 85},
                                           NumberCase{"0", 0}, NumberCase{"0.25", 0.25}, NumberCase{"-0.5", -0.5},
                                           NumberCase{"1e3", 1000}, NumberCase{"2.5E-2", 0.025},
                                           NumberCase{"7e+1", 70}, NumberCase{"123456789012345", 123456789012345.0},
                                           NumberCase{"1000000000000000000000", 1e21},
                                           NumberCase{"0.000000000000000000001", 1e-21}));

// Kept as text: a leading zero before another digit, anything that is not a plain number,
// more digits than a double keeps, values beyond a double's range.
INSTANTIATE_TEST_SUITE_P(Texts, PlainNumberTest,
                         ::testing::Values(NumberCase{"007", {}}, NumberCase{"0012", {}}, NumberCase{"-01", {}},
                                           NumberCase{"00.5", {}}, NumberCase{"", {}}, NumberCase{"+", {}},
                                           NumberCase{"1.", {}}, NumberCase{".5", {}}, NumberCase{"1e", {}},
                                           NumberCase{"1e+", {}}, NumberCase{"12a", {}}, NumberCase{" 12", {}},
                                           NumberCase{"12 ", {}}, NumberCase{"1,5", {}}, NumberCase{"0x10", {}},
                                           NumberCase{"inf", {}}, NumberCase{"nan", {}}, NumberCase{"--1", {}},
                                           NumberCase{"1e400", {}}, NumberCase{"1e-400", {}},
                                           NumberCase{"1234567890123456", {}},
                                           NumberCase{"12345678901234567890", {}}));

struct EscapeCase {
    std::string text;
    std::string stored;
};

class EscapedTextTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapedTextTest, StoresControlCharactersAsWorkbookEscapes)
{
    EXPECT_EQ(excel::escapedText(GetParam().text), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EscapedTextTest,
    ::testing::Values(EscapeCase{"plain text", "plain text"}, EscapeCase{"page\fbreak", "page_x000C_break"},
                      EscapeCase{"\x1b" "E bold", "_x001B_E bold"}, EscapeCase{"cr\r", "cr_x000D_"},
                      EscapeCase{std::string("nul\0end", 7), "nul_x0000_end"}, EscapeCase{"\x7f", "\x7f"},
                      EscapeCase{"tab\tand\nfeed", "tab\tand\nfeed"},
                      EscapeCase{"_x0041_", "_x005F_x0041_"}, EscapeCase{"a_x00ff_b", "a_x005F_x00ff_b"},
                      EscapeCase{"_x004_", "_x004_"}, EscapeCase{"_xZZZZ_", "_xZZZZ_"},
                      EscapeCase{"under_score", "under_score"}));

TEST(Utf8LengthTest, CountsCharactersAndRefusesBrokenSequences)
{
    EXPECT_EQ(excel::utf8Length("abc"), 3U);
    EXPECT_EQ(excel::utf8Length("\xC3\xA9t\xC3\xA9"), 3U);
    EXPECT_EQ(excel::utf8Length("\xF0\x9F\x98\x80"), 1U);
    EXPECT_EQ(excel::utf8Length("\xC3"), std::nullopt);
    EXPECT_EQ(excel::utf8Length("\xC0\xAF"), std::nullopt);
    EXPECT_EQ(excel::utf8Length("\xED\xA0\x80"), std::nullopt);
    EXPECT_EQ(excel::utf8Length("\xB0"), std::nullopt);
}

} // namespace
} // namespace elvaro::testing
