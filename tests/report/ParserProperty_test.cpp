#include "ReportDrawer.h"
#include "ReportTestSupport.h"

#include "report/CCella.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace elvaro::report {
namespace {

using testing::DrawnBox;
using testing::DrawnText;

std::vector<std::string> wordsOfRuns(CCella &cell)
{
    std::vector<std::string> words;
    const auto &members = cell.SottoCelle();
    for (std::int32_t i = 1; i <= members->Count(); ++i) {
        if (members->Item(i).Bordato())
            continue;
        std::istringstream run(members->Item(i).Contenuto());
        for (std::string word; run >> word;)
            words.push_back(word);
    }
    return words;
}

void expectBoxes(CCella &cell, const std::vector<DrawnBox> &drawn, const std::vector<std::string> &words,
                 const std::string &path)
{
    EXPECT_EQ(wordsOfRuns(cell), words) << path;
    std::vector<CCella *> boxes;
    const auto &members = cell.SottoCelle();
    for (std::int32_t i = 1; i <= members->Count(); ++i) {
        if (members->Item(i).Bordato())
            boxes.push_back(&members->Item(i));
    }
    ASSERT_EQ(boxes.size(), drawn.size()) << path;
    for (std::size_t k = 0; k < drawn.size(); ++k) {
        const std::string where = path + "/box " + std::to_string(k + 1);
        EXPECT_EQ(boxes[k]->IndexChar(), drawn[k].column) << where;
        EXPECT_EQ(boxes[k]->Larghezza(), drawn[k].width) << where;
        EXPECT_EQ(boxes[k]->Altezza(), drawn[k].height) << where;
        expectBoxes(*boxes[k], drawn[k].boxes, drawn[k].words, where);
    }
}

TEST(ParserProperty, BoxesAreFoundWhereTheyWereDrawn)
{
    for (unsigned seed = 1; seed <= 300; ++seed) {
        const DrawnText drawn = testing::drawnReport(seed);
        const std::string report = testing::reportText(drawn);

        CCella root;
        testing::RecordingReporter reporter;
        root.newCella(report, reporter);
        EXPECT_TRUE(reporter.messages.empty()) << "seed " << seed;
        expectBoxes(root, drawn.boxes, drawn.words, "seed " + std::to_string(seed));
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "report of seed " << seed << ":\n" << report;
            break;
        }
    }
}

} // namespace
} // namespace elvaro::report
