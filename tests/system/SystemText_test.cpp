#include "system/SystemText.h"

#include <gtest/gtest.h>

#include <string_view>
#include <tuple>

namespace elvaro::system {
namespace {

TEST(SystemText, SuffixesCompareWithoutRegardToCase)
{
    // Bytes beyond ASCII are compared as they are: no locale folds them.
    const std::tuple<std::string_view, std::string_view, bool> cases[] = {{"report.xlsx", ".xlsx", true},
                                                                          {"REPORT.XLSX", ".xlsx", true},
                                                                          {"Values.Csv", ".csv", true},
                                                                          {".csv", ".csv", true},
                                                                          {"csv", ".csv", false},
                                                                          {"report.xlsx.txt", ".xlsx", false},
                                                                          {"report.xls", ".xlsx", false},
                                                                          {"", ".csv", false},
                                                                          {"bericht.\xc3\x84", ".\xc3\xa4", false},
                                                                          {"report.csv\xe4", ".csv", false}};
    for (const auto &[text, suffix, ends] : cases)
        EXPECT_EQ(endsWithIgnoringCase(text, suffix), ends) << text << " / " << suffix;
}

} // namespace
} // namespace elvaro::system
