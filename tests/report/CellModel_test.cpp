#include "report/CCella.h"
#include "report/OverflowError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <thread>

#include <memory>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

namespace elvaro::report {
namespace {

std::unique_ptr<CCella> cellAt(std::int16_t band, std::int16_t column, const std::string &text = "")
{
    auto cell = std::make_unique<CCella>();
    cell->setIndexRiga(band);
    cell->setIndexChar(column);
    cell->setContenuto(text);
    return cell;
}

TEST(CellModel, FreshCellHasInitialValuesAndOneLazyCollection)
{
    CCella cell;
    EXPECT_FALSE(cell.ExistSottoCelle);
    EXPECT_EQ(cell.Contenuto(), "");
    EXPECT_FALSE(cell.Bordato());
    EXPECT_EQ(cell.Larghezza(), 0);
    EXPECT_EQ(cell.IndexRiga(), 0);
    EXPECT_EQ(cell.IndexChar(), 0);
    EXPECT_EQ(cell.Altezza(), 0);
    const SottoCelle *beforeFirstRead = &cell.children();
    EXPECT_EQ(beforeFirstRead->Count(), 0);
    SottoCelle *first = cell.SottoCelle().get();
    EXPECT_NE(first, beforeFirstRead);
    EXPECT_EQ(first->Count(), 0);
    EXPECT_EQ(cell.SottoCelle().get(), first);
    EXPECT_EQ(&cell.children(), first);
}

TEST(CellModel, AddCCopiesValuesAndSharesTheChildCollection)
{
    CCella source;
    source.setBordato(true);
    source.setContenuto(" x ");
    source.setLarghezza(7);
    source.setIndexRiga(2);
    source.setIndexChar(-3);
    source.setAltezza(4);
    source.ExistSottoCelle = true;

    SottoCelle parent;
    parent.AddC(source);
    CCella &copy = parent.Item(1);
    EXPECT_NE(&copy, &source);
    EXPECT_TRUE(copy.Bordato());
    EXPECT_EQ(copy.Contenuto(), " x ");
    EXPECT_EQ(copy.Larghezza(), 7);
    EXPECT_EQ(copy.IndexRiga(), 2);
    EXPECT_EQ(copy.IndexChar(), -3);
    EXPECT_EQ(copy.Altezza(), 4);
    EXPECT_TRUE(copy.ExistSottoCelle);

    // The source never had a collection: AddC created one on it, which the copy shares.
    EXPECT_EQ(&source.children(), copy.SottoCelle().get());
    CCella grandchild;
    grandchild.setContenuto("seen through both");
    source.SottoCelle()->AddC(grandchild);
    EXPECT_EQ(copy.SottoCelle()->Item(1).Contenuto(), "seen through both");
}

TEST(CellModel, SharedCollectionOutlivesTheCellThatMadeIt)
{
    SottoCelle parent;
    {
        CCella box;
        CCella run;
        run.setContenuto("kept");
        box.SottoCelle()->AddC(run);
        parent.AddC(box);
    }
    EXPECT_EQ(parent.Item(1).SottoCelle()->Item(1).Contenuto(), "kept");
}

TEST(CellModel, PositionsOutsideTheCollectionFailWithAMessage)
{
    SottoCelle members;
    CCella cell;
    members.AddC(cell);
    for (const std::int32_t bad : {0, 2, -1}) {
        try {
            members.Item(bad);
            FAIL() << "Item(" << bad << ") did not fail";
        } catch (const std::out_of_range &error) {
            EXPECT_NE(std::string(error.what()).find("position " + std::to_string(bad)), std::string::npos);
        }
    }
}

TEST(CellModel, ReleasingAVeryDeepTreeDoesNotExhaustTheStack)
{
    // A chain a million levels deep, built bottom up.
    auto current = std::make_unique<CCella>();
    for (int level = 0; level < 1'000'000; ++level) {
        auto parent = std::make_unique<CCella>();
        parent->SottoCelle()->AddC(*current);
        current = std::move(parent);
    }
    current.reset();
    SUCCEED();
}

TEST(SortCells, OrdersByBandThenColumnAndKeepsTiesInOrder)
{
    CCella cell;
    const std::vector<std::tuple<std::int16_t, std::int16_t, const char *>> input = {
        {1, 5, "c"}, {0, 3, "first"}, {1, 2, "b"}, {0, 3, "second"}, {-1, 9, "negative band"}, {0, -4, "left"}};
    for (const auto &[band, column, text] : input)
        cell.SottoCelle()->AddC(*cellAt(band, column, text));

    std::shared_ptr<SottoCelle> old = cell.SottoCelle();
    EXPECT_EQ(cell.SortCells(), 0);

    std::vector<std::string> order;
    for (std::int32_t i = 1; i <= cell.SottoCelle()->Count(); ++i)
        order.push_back(cell.SottoCelle()->Item(i).Contenuto());
    EXPECT_EQ(order, (std::vector<std::string>{"negative band", "left", "first", "second", "b", "c"}));
    EXPECT_NE(cell.SottoCelle(), old);
    EXPECT_EQ(old->Count(), 0);
}

TEST(SortCells, GivesTheOrderOfTakingTheFirstSmallestMemberEachPass)
{
    std::mt19937 random(3);
    for (int round = 0; round < 200; ++round) {
        CCella cell;
        std::vector<std::tuple<std::int16_t, std::int16_t, std::string>> remaining;
        const int count = static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) {
            const auto band = static_cast<std::int16_t>(static_cast<int>(random() % 5) - 1);
            const auto column = static_cast<std::int16_t>(static_cast<int>(random() % 7) - 2);
            remaining.emplace_back(band, column, std::to_string(i));
            cell.SottoCelle()->AddC(*cellAt(band, column, std::to_string(i)));
        }
        // The order of repeatedly taking the first member with the smallest band, then column.
        std::vector<std::string> expected;
        while (!remaining.empty()) {
            std::size_t best = 0;
            for (std::size_t j = 1; j < remaining.size(); ++j) {
                const auto &[band, column, text] = remaining[j];
                const auto &[bestBand, bestColumn, bestText] = remaining[best];
                if (band < bestBand || (band == bestBand && column < bestColumn))
                    best = j;
            }
            expected.push_back(std::get<2>(remaining[best]));
            remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(best));
        }
        cell.SortCells();
        std::vector<std::string> order;
        for (std::int32_t i = 1; i <= cell.SottoCelle()->Count(); ++i)
            order.push_back(cell.SottoCelle()->Item(i).Contenuto());
        ASSERT_EQ(order, expected) << "round " << round;
    }
}

TEST(SortCells, SortedCopiesKeepSharingTheirChildren)
{
    CCella cell;
    auto box = cellAt(0, 1);
    CCella inner;
    inner.setContenuto("inner");
    box->SottoCelle()->AddC(inner);
    cell.SottoCelle()->AddC(*cellAt(1, 1));
    cell.SottoCelle()->AddC(*box);
    cell.SortCells();
    EXPECT_EQ(cell.SottoCelle()->Item(1).SottoCelle().get(), box->SottoCelle().get());
}

TEST(SortCells, EmptyAndSingleCollections)
{
    CCella empty;
    empty.SortCells();
    EXPECT_EQ(empty.SottoCelle()->Count(), 0);

    CCella single;
    single.SottoCelle()->AddC(*cellAt(3, 4, "only"));
    std::shared_ptr<SottoCelle> before = single.SottoCelle();
    single.SortCells();
    ASSERT_EQ(single.SottoCelle()->Count(), 1);
    EXPECT_NE(single.SottoCelle(), before);
    EXPECT_EQ(before->Count(), 0);
    EXPECT_EQ(single.SottoCelle()->Item(1).Contenuto(), "only");
}

TEST(SortCells, TooManySubCellsRaiseTheOverflowErrorBeforeMovingAnything)
{
    CCella cell;
    CCella member;
    for (int i = 0; i < 32768; ++i)
        cell.SottoCelle()->AddC(member);
    try {
        cell.SortCells();
        FAIL() << "no overflow";
    } catch (const OverflowError &error) {
        EXPECT_NE(std::string(error.what()).find("number of cells to sort in one box"), std::string::npos);
    }
    EXPECT_EQ(cell.SottoCelle()->Count(), 32768);
}

TEST(SeparatorTests, SoloTrattiniAndSoloSpazi)
{
    struct Case {
        const char *text;
        bool trattini;
        bool spazi;
    };
    for (const Case &c : {Case{"", false, false}, Case{"   ", true, true}, Case{"---", true, false},
                          Case{" - -", true, false}, Case{" -x", false, false}, Case{"a", false, false}}) {
        EXPECT_EQ(CCella::SoloTrattini(c.text), c.trattini) << '"' << c.text << '"';
        EXPECT_EQ(CCella::SoloSpazi(c.text), c.spazi) << '"' << c.text << '"';
    }
}

} // namespace
} // namespace elvaro::report

namespace elvaro::report {
namespace {

// Cells come from large blocks given back once their last cell is released: cells released in
// any order, on another thread, or after the thread that made them has ended, stay intact.
TEST(CellMemory, CellsOutliveTheirBlockNeighboursTheirOrderAndTheirThread)
{
    constexpr int kCells = 100'000; // several blocks
    std::vector<std::unique_ptr<CCella>> cells;
    for (int i = 0; i < kCells; ++i) {
        cells.push_back(std::make_unique<CCella>());
        cells.back()->setContenuto("cell " + std::to_string(i) + " with a text too long for the string itself");
    }
    std::mt19937 random(7);
    std::shuffle(cells.begin(), cells.end(), random);
    std::vector<std::unique_ptr<CCella>> elsewhere(std::make_move_iterator(cells.begin() + kCells / 2),
                                                   std::make_move_iterator(cells.end()));
    cells.resize(kCells / 2);
    std::thread([&elsewhere] { elsewhere.clear(); }).join();

    std::unique_ptr<CCella> fromEndedThread;
    std::thread([&fromEndedThread] {
        fromEndedThread = std::make_unique<CCella>();
        fromEndedThread->setContenuto("made on a thread that has ended");
    }).join();
    EXPECT_EQ(fromEndedThread->Contenuto(), "made on a thread that has ended");
    fromEndedThread.reset();

    for (const auto &cell : cells)
        ASSERT_EQ(cell->Contenuto().rfind("cell ", 0), 0u);
}

} // namespace
} // namespace elvaro::report
