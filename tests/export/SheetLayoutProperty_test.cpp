#include "ExportTestSupport.h"
#include "report/ReportDrawer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace elvaro::testing {
namespace {

using report::testing::DrawnBox;
using report::testing::DrawnText;

void addWords(const std::vector<std::string> &words, std::vector<std::string> &out)
{
    for (const std::string &word : words) {
        if (word.find_first_not_of('-') != std::string::npos) // separators write nothing
            out.push_back(word);
    }
}

void addWords(const std::vector<DrawnBox> &boxes, std::vector<std::string> &out)
{
    for (const DrawnBox &box : boxes) {
        addWords(box.words, out);
        addWords(box.boxes, out);
    }
}

std::vector<std::string> sorted(std::vector<std::string> words)
{
    std::sort(words.begin(), words.end());
    return words;
}

std::vector<std::string> wordsOf(const Grid &cells)
{
    std::vector<std::string> words;
    for (const auto &[where, text] : cells) {
        std::istringstream value(text);
        for (std::string word; value >> word;)
            words.push_back(word);
    }
    return words;
}

TEST(SheetLayoutProperty, EveryTextOfAGeneratedReportIsInTheSheetOnce)
{
    for (unsigned seed = 1; seed <= 300; ++seed) {
        const DrawnText drawn = report::testing::drawnReport(seed);
        const std::string report = report::testing::reportText(drawn);
        const Grid cells = exportedGrid(report);

        std::vector<std::string> expected;
        addWords(drawn.words, expected);
        addWords(drawn.boxes, expected);
        EXPECT_EQ(sorted(wordsOf(cells)), sorted(expected)) << "seed " << seed << ":\n" << report;

        if (::testing::Test::HasFailure())
            break;
    }
}

} // namespace
} // namespace elvaro::testing
