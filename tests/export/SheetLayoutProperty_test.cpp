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

bool isWalked(const CCella &cell)
{
    const report::SottoCelle &members = cell.children();
    return cell.ExistSottoCelle || (members.Count() == 1 && members.Item(1).isBordered());
}

std::string trimmed(const std::string &text)
{
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The placement of every cell as bands to rows and cells to consecutive columns, each nested box
// from its own place, with line 1 of every text in a row of its own. Counts the positions each
// box wrote or skipped, so that the caller knows when every box takes a single cell.
int placeByBands(CCella &cell, int startRow, int startColumn, Grid &cells)
{
    cell.SortCells();
    std::vector<CCella *> members;
    for (std::int32_t i = 1; i <= cell.SottoCelle()->Count(); ++i)
        members.push_back(&cell.SottoCelle()->Item(i));
    auto band = [](const CCella *c) {
        return c->IndexRiga() + (c->sourceLine() > 1 && !c->firstLineHeldBox() ? 1 : 0);
    };
    std::stable_sort(members.begin(), members.end(),
                     [&](const CCella *a, const CCella *b) { return band(a) < band(b); });
    int positions = 0;
    int current = -1;
    int offset = 0;
    for (CCella *member : members) {
        offset = band(member) == current ? offset + 1 : 0;
        current = band(member);
        const int row = startRow + current;
        const int column = startColumn + offset;
        if (isWalked(*member)) {
            positions += placeByBands(*member, row, column, cells) > 1 ? 2 : 1;
        } else {
            ++positions;
            if (!CCella::SoloTrattini(member->Contenuto()) && !trimmed(member->Contenuto()).empty())
                cells[cellName(row, column)] = trimmed(member->Contenuto());
        }
    }
    return positions;
}

// Boxes that take one cell each are found in a fair share of the generated reports.
constexpr int kEnoughSingleCellReports = 20;

TEST(SheetLayoutProperty, EveryTextOfAGeneratedReportIsInTheSheetOnce)
{
    int singleCellReports = 0;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        const DrawnText drawn = report::testing::drawnReport(seed);
        const std::string report = report::testing::reportText(drawn);
        const Grid cells = exportedGrid(report);

        std::vector<std::string> expected;
        addWords(drawn.words, expected);
        addWords(drawn.boxes, expected);
        EXPECT_EQ(sorted(wordsOf(cells)), sorted(expected)) << "seed " << seed << ":\n" << report;

        // Where no box takes more than one cell, the places are those of the bands alone.
        CCella again;
        testing::SilentReporter quiet;
        again.newCella(report, quiet);
        Grid byBands;
        const bool everyBoxOneCell = [&] {
            report::SottoCelle &members = *again.SottoCelle();
            for (std::int32_t i = 1; i <= members.Count(); ++i) {
                CCella &member = members.Item(i);
                if (isWalked(member) && placeByBands(member, 1, 1, byBands) > 1)
                    return false;
            }
            byBands.clear();
            return true;
        }();
        if (everyBoxOneCell) {
            ++singleCellReports;
            placeByBands(again, 1, 1, byBands);
            EXPECT_EQ(cells, byBands) << "seed " << seed << ":\n" << report;
        }
        if (::testing::Test::HasFailure())
            break;
    }
    EXPECT_GE(singleCellReports, kEnoughSingleCellReports);
}

} // namespace
} // namespace elvaro::testing
