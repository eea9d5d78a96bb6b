#include "system/SystemText.h"

#include <gtest/gtest.h>

#include <string_view>

namespace elvaro::system {
namespace {

TEST(SystemText, SuffixesCompareWithoutRegardToCase)
{
    struct Case {
        std::string_view text;
        std::string_view suffix;
        bool ends;
    };
    for (const Case &c :
         {Case{"report.xlsx", ".xlsx", true}, Case{"REPORT.XLSX", ".xlsx", true}, Case{"Values.Csv", ".csv", true},
          Case{".csv", ".csv", true}, Case{"csv", ".csv", false}, Case{"report.xlsx.txt", ".xlsx", false},
          Case{"report.xls", ".xlsx", false}, Case{"", ".csv", false},
          // Bytes beyond ASCII are compared as they are: no locale folds them.
          Case{"bericht.\xc3\x84", ".\xc3\xa4", false}, Case{"report.csv\xe4", ".csv", false}}) {
        EXPECT_EQ(endsWithIgnoringCase(c.text, c.suffix), c.ends) << c.text << " / " << c.suffix;
    }
}

} // namespace
} // namespace elvaro::system
