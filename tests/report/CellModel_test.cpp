#include "report/CCella.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <random>
#include <thread>
#include <tuple>
#include <vector>

namespace elvaro::report {
namespace {

TEST(CellModel, CopiesShareTheirChildrenWhichOutliveTheCellThatMadeThem)
{
    SottoCelle parent;
    {
        CCella box;
        box.setAltezza(4);
        CCella run;
        run.setContenuto("kept");
        box.SottoCelle()->AddC(run);
        parent.AddC(box);
        CCella late;
        late.setContenuto("seen through both");
        box.SottoCelle()->AddC(late);
    }
    EXPECT_EQ(parent.Item(1).Altezza(), 4);
    EXPECT_EQ(parent.Item(1).children().Item(1).Contenuto(), "kept");
    EXPECT_EQ(parent.Item(1).children().Item(2).Contenuto(), "seen through both");
}

TEST(CellModel, ReleasingAVeryDeepTreeDoesNotExhaustTheStack)
{
    auto current = std::make_unique<CCella>();
    for (int level = 0; level < 1'000'000; ++level) {
        auto parent = std::make_unique<CCella>();
        parent->SottoCelle()->AddC(*current);
        current = std::move(parent);
    }
    current.reset();
}

// Cells come from large blocks given back once their last cell is released: cells released in
// any order, on another thread, or after the thread that made them has ended, stay intact.
TEST(CellModel, CellsOutliveTheirBlockNeighboursTheirOrderAndTheirThread)
{
    constexpr int kCells = 100'000; // several blocks
    std::vector<std::unique_ptr<CCella>> cells;
    for (int i = 0; i < kCells; ++i) {
        cells.push_back(std::make_unique<CCella>());
        cells.back()->setContenuto("cell " + std::to_string(i) + " with a text too long for the string itself");
    }
    std::shuffle(cells.begin(), cells.end(), std::mt19937(7));
    std::vector<std::unique_ptr<CCella>> elsewhere(std::make_move_iterator(cells.begin() + kCells / 2),
                                                   std::make_move_iterator(cells.end()));
    cells.resize(kCells / 2);
    std::thread([&elsewhere] { elsewhere.clear(); }).join();
    std::unique_ptr<CCella> fromEndedThread;
    std::thread([&fromEndedThread] { fromEndedThread = std::make_unique<CCella>(); }).join();
    fromEndedThread.reset();
    for (const auto &cell : cells)
        ASSERT_EQ(cell->Contenuto().rfind("cell ", 0), 0u);
}

// The order of repeatedly taking the first member with the smallest band, then column; sorted
// members keep sharing their children.
TEST(SortCells, GivesTheOrderOfTakingTheFirstSmallestMemberEachPass)
{
    std::mt19937 random(3);
    for (int round = 0; round < 200; ++round) {
        CCella cell;
        std::vector<std::tuple<std::int16_t, std::int16_t, std::string>> remaining;
        std::vector<const SottoCelle *> children;
        const int count = static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) {
            CCella member;
            member.setIndexRiga(static_cast<std::int16_t>(static_cast<int>(random() % 5) - 1));
            member.setIndexChar(static_cast<std::int16_t>(static_cast<int>(random() % 7) - 2));
            member.setContenuto(std::to_string(i));
            remaining.emplace_back(member.IndexRiga(), member.IndexChar(), member.Contenuto());
            children.push_back(member.SottoCelle().get());
            cell.SottoCelle()->AddC(member);
        }
        std::vector<std::string> expected;
        while (!remaining.empty()) {
            const auto best = std::min_element(remaining.begin(), remaining.end(), [](const auto &a, const auto &b) {
                return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
            });
            expected.push_back(std::get<2>(*best));
            remaining.erase(best);
        }
        EXPECT_EQ(cell.SortCells(), 0);
        std::vector<std::string> order;
        for (std::int32_t i = 1; i <= cell.children().Count(); ++i) {
            order.push_back(cell.children().Item(i).Contenuto());
            ASSERT_EQ(&cell.children().Item(i).children(), children[std::stoul(order.back())]);
        }
        ASSERT_EQ(order, expected) << "round " << round;
    }
}

TEST(SeparatorTests, SoloTrattiniAndSoloSpazi)
{
    const std::tuple<const char *, bool, bool> cases[] = {
        {"", false, false},   {"   ", true, true},   {"---", true, false}, {" - -", true, false},
        {" =-", true, false}, {" -x", false, false}, {"a", false, false},
    };
    for (const auto &[text, trattini, spazi] : cases) {
        EXPECT_EQ(CCella::SoloTrattini(text), trattini) << '"' << text << '"';
        EXPECT_EQ(CCella::SoloSpazi(text), spazi) << '"' << text << '"';
    }
}

} // namespace
} // namespace elvaro::report
