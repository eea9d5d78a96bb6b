#include "ReportTestSupport.h"

#include "common/Bytes.h"
#include "report/OverflowError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <thread>

namespace elvaro::report {
namespace {

using elvaro::testing::repeated;
using testing::crlf;
using testing::describe;
using testing::RecordingReporter;

// The tree of the text, the root's Contenuto after "=" or "*" for a container, then the messages;
// or the message of the overflow the text raises.
std::string parsed(const std::string &text)
{
    CCella root;
    RecordingReporter reporter;
    try {
        root.newCella(text, reporter);
    } catch (const OverflowError &error) {
        return error.what();
    }
    std::string out = describe(root) + (root.ExistSottoCelle ? "*" : "=" + root.Contenuto());
    for (const std::string &message : reporter.messages)
        out += "\n! " + message;
    return out;
}

// "box 0 11 8 1 [ 21.5 ]" is kind, IndexRiga, IndexChar, Larghezza, Altezza and Contenuto.
TEST(Parser, BuildsTheTreeOfBoxesAndRuns)
{
    const std::pair<std::string, std::string> cases[] = {
        {crlf({"REPORT    N. 12", "+-------+ +------+", "| Temp  | | 21.5 |", "+-------+ +------+", "OK   done", ""}),
         "run 0 1 10 1 [REPORT    ]\nrun 0 11 5 1 [N. 12]\nbox 0 1 9 1 [ Temp  ]\n  run 0 1 7 1 [ Temp  ]\n"
         "box 0 11 8 1 [ 21.5 ]\n  run 0 1 6 1 [ 21.5 ]\nrun 2 1 5 1 [OK   ]\nrun 2 6 4 1 [done]\n*"},
        {"alpha  beta", "run 0 1 7 1 [alpha  ]\nrun 0 8 4 1 [beta]\n*"},
        {"one two three", "run 0 1 13 1 [one two three]\n=one two three"},
        {crlf({"     ", "x"}), "run 0 1 1 1 [x]\n=x"},
        {"   lead  next", "run 0 1 9 1 [   lead  ]\nrun 0 10 4 1 [next]\n*"},
        {"", "="},
        {"\n\n\n", "="},
        {"a\nb\r\nc", "run 0 1 2 1 [ab]\nrun 0 1 1 1 [c]\n*"},
        {crlf({"+-----------+", "| ab    cd  |", "+-----------+"}),
         "box* 0 1 13 1 []\n  run 0 1 7 1 [ ab    ]\n  run 0 8 4 1 [cd  ]\n="},
        {crlf({"+========+", "| x   y  |", "+========+"}),
         "box* 0 1 10 1 []\n  run 0 1 5 1 [ x   ]\n  run 0 6 3 1 [y  ]\n="},
        {crlf({"+--------+", "| +--+   |", "| |ok|   |", "| +--+   |", "+--------+"}),
         "box 0 1 10 3 [    ]\n  box 0 2 4 1 [ok]\n    run 0 1 2 1 [ok]\n="},
        {crlf({"+----------+", "|  +---+   |", "|  | 1 |   |", "|  +---+   |", "|  end     |", "+----------+"}),
         "box* 0 1 12 4 []\n  box 0 3 5 1 [ 1 ]\n    run 0 1 3 1 [ 1 ]\n  run 2 1 10 1 [  end     ]\n="},
        {crlf({"+--+ +---+", "|a | |bb |", "+--+ +---+"}),
         "box 0 1 4 1 [a ]\n  run 0 1 2 1 [a ]\nbox 0 6 5 1 [bb ]\n  run 0 1 3 1 [bb ]\n*"},
        {crlf({"+--+  +--+", "|a |  |b |", "|  |  +--+", "+--+  c"}),
         "box 0 1 4 2 [a ]\n  run 0 1 2 1 [a ]\nbox 0 7 4 1 [b ]\n  run 0 1 2 1 [b ]\nrun 2 1 3 1 [  c]\n*"},
        {crlf({"++", "||", "++"}), "box 0 1 2 1 []\n="},
        {crlf({"+--+", "|a |", "+--+  tail"}), "box 0 1 4 1 [a ]\n  run 0 1 2 1 [a ]\nrun 1 1 6 1 [  tail]\n*"},
        {crlf({"Temp  +21.5  -3.0", "x +"}),
         "run 0 1 6 1 [Temp  ]\nrun 0 7 7 1 [+21.5  ]\nrun 0 14 4 1 [-3.0]\nrun 0 1 3 1 [x +]\n*"},
        {crlf({"+----+", "| a  |", "| b  |", "+----+"}),
         "box* 0 1 6 2 []\n  run 0 1 4 1 [ a  ]\n  run 0 1 4 1 [ b  ]\n="},
        {" +-+X\r\n |a|\r\n +-+", "box 0 2 3 1 [a]\n  run 0 1 1 1 [a]\nrun 0 5 1 1 [X]\n*"},
        {crlf({"+-----+", "| A   |", "|     |", "+-----+"}), "box 0 1 7 2 [ A   ]\n  run 0 1 5 1 [ A   ]\n="},
        // Text on the line of a top border is read once, before and after the box.
        {crlf({"Label  +---+", "       | x |", "       +---+"}),
         "run 0 1 7 1 [Label  ]\nbox 0 8 5 1 [ x ]\n  run 0 1 3 1 [ x ]\n*"},
        {crlf({"A  B  +--+ C", "      |x |", "      +--+"}),
         "run 0 1 3 1 [A  ]\nrun 0 4 3 1 [B  ]\nbox 0 7 4 1 [x ]\n  run 0 1 2 1 [x ]\nrun 0 11 2 1 [ C]\n*"},
        {crlf({"+--+ab", "|x |", "+--+"}), "box 0 1 4 1 [x ]\n  run 0 1 2 1 [x ]\nrun 0 5 2 1 [ab]\n*"},
        {crlf({"+-+ a +-+ b", "|x|   |y|", "+-+   +-+"}), "box 0 1 3 1 [x]\n  run 0 1 1 1 [x]\nrun 0 4 3 1 [ a ]\nbox "
                                                          "0 7 3 1 [y]\n  run 0 1 1 1 [y]\nrun 0 10 2 1 [ b]\n*"},
        {crlf({"  +--+   abc", "  |x |", "  +--+"}), "box 0 3 4 1 [x ]\n  run 0 1 2 1 [x ]\nrun 0 7 6 1 [   abc]\n*"},
        {crlf({"x +-++-+", "  |a||b|", "  +-++-+"}),
         "run 0 1 2 1 [x ]\nbox 0 3 3 1 [a]\n  run 0 1 1 1 [a]\nbox 0 3 3 1 [b]\n  run 0 1 1 1 [b]\n*"},
        // A box without a bottom border keeps every line below it; parsing goes on.
        {crlf({"+------+", "| one  |", "| two  |", ""}), "box* 0 1 8 3 []\n  run 0 1 6 1 [ one  ]\n  run 0 1 6 1 [ two "
                                                         " ]\n=\n! Errore in riga 4, fine casella non trovata"},
        {"title\r\n+--+", "run 0 1 5 1 [title]\nbox 0 1 4 0 []\n*\n! Errore in riga 2, fine casella non trovata"},
        {crlf({"+--------+", "| +--+   |", "| |x |   |", "|        |", "+--------+"}),
         "box 0 1 10 3 [    ]\n  box 0 2 4 2 [x ]\n    run 0 1 2 1 [x ]\n=\n! Errore in riga 3, fine casella non "
         "trovata"}};
    for (const auto &[text, tree] : cases)
        EXPECT_EQ(parsed(text), tree) << text;
    // Fifteen boxes side by side on one line.
    std::string top, middle, tree;
    for (char letter = 'a'; letter < 'a' + 15; ++letter) {
        top += "+-+ ";
        middle += std::string("|") + letter + "| ";
        tree += "box 0 " + std::to_string(1 + 4 * (letter - 'a')) + " 3 1 [" + letter + "]\n  run 0 1 1 1 [" + letter
                + "]\n";
    }
    EXPECT_EQ(parsed(crlf({top, middle, top})), tree + "*");
}

// Each member's source line, "+" when line 1 of the report held a box, and a box's members in
// parentheses: inside a box, lines are counted in the box's own text.
std::string linesOf(const CCella &cell)
{
    std::string out;
    for (std::int32_t i = 1; i <= cell.children().Count(); ++i) {
        const CCella &m = cell.children().Item(i);
        out += std::to_string(m.sourceLine()) + (m.firstLineHeldBox() ? "+" : "-")
               + (m.Bordato() ? "(" + linesOf(m) + ")" : "") + " ";
    }
    return out;
}

TEST(Parser, RecordsTheLineOfEveryCellAndWhetherLine1HeldABox)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"title", "+--+", "|a |", "+--+", "end"}, "1- 2-(1- ) 5- "},
        {{"+--+  x", "|a |", "+--+", "end"}, "1+(1- ) 1+ 4+ "},
        {{"+------+", "| one  |", "| +--+ |", "| |x | |", "| +--+ |", "+------+"}, "1+(1- 2-(1- ) ) "}};
    for (const auto &[lines, expected] : cases) {
        CCella root;
        RecordingReporter reporter;
        root.newCella(crlf(lines), reporter);
        EXPECT_EQ(linesOf(root), expected);
    }
}

TEST(Parser, MessagesOfOneParseAreBounded)
{
    CCella root;
    RecordingReporter reporter;
    root.newCella("x\r" + repeated(3000, "++ "), reporter);
    EXPECT_EQ(root.children().Count(), 3001);
    ASSERT_EQ(reporter.messages.size(), 101u);
    EXPECT_EQ(reporter.messages[99], "Errore in riga 2, fine casella non trovata");
    EXPECT_EQ(reporter.messages[100], "2900 more boxes without a bottom border were not reported one by one");
}

// Squares of boxes nested `depth` deep, each one column and one line inside the one around it,
// with "Z" in the middle.
std::string nestedBoxes(int depth)
{
    const std::size_t size = 2 * depth + 2;
    std::vector<std::string> lines(size, std::string(size, ' '));
    for (std::size_t lo = 0, hi = size - 1; lo < static_cast<std::size_t>(depth); ++lo, --hi) {
        for (std::size_t i = lo; i <= hi; ++i) {
            lines[lo][i] = lines[hi][i] = '-';
            lines[i][lo] = lines[i][hi] = '|';
        }
        lines[lo][lo] = lines[lo][hi] = lines[hi][lo] = lines[hi][hi] = '+';
    }
    lines[depth][depth] = 'Z';
    return crlf(lines);
}

// Each limit: the most the parser takes, then one more, refused with a message naming the limit.
TEST(Parser, LimitsAreTakenToTheLastAndRefusedOneBeyond)
{
    const std::string lines = repeated(32766, "x\r");
    const std::string cells = repeated(200, repeated(10000, "a  ") + "\r");
    const std::string longLine =
        "Overflow: line 3 of the report has more than 32,766 characters, the most one line can "
        "have. Check that this is a report of the instrument, or export a smaller part of it.";
    const std::pair<std::string, std::string> cases[] = {
        {lines, "no overflow"},
        {lines + "x\r", "Overflow: the report has more than 32,766 lines, the most one report can have. Export a "
                        "smaller part of it."},
        {lines + "x", "Overflow: the report has more than 32,766 lines, the most one report can have. Export a "
                      "smaller part of it."},
        {std::string(32766, 'a'), "no overflow"},
        {"ok\r\nfine\r\n" + std::string(32767, 'a'), longLine},
        // Line feeds are not characters of the line.
        {"ok\r\nfine\r\n" + std::string(20000, 'a') + "\n" + std::string(12767, 'a') + "\r", longLine},
        {cells, "no overflow"},
        {cells + "a", "Overflow: the report would give more than 2,000,000 cells, more than one export can hold. "
                      "Export a smaller part of it."},
        {nestedBoxes(100), "no overflow"},
        // Each box starts one line below the one around it; the report begins with two lines of text.
        {crlf({"title", ""}) + nestedBoxes(150),
         "Overflow: the box on line 103 of the report lies inside 100 other boxes, deeper than a report can nest them. "
         "Check that this is a report of the instrument."}};
    for (const auto &[text, message] : cases) {
        const std::string out = parsed(text);
        EXPECT_EQ(out.starts_with("Overflow") ? out : "no overflow", message) << text.substr(0, 40);
    }
    CCella root;
    RecordingReporter reporter;
    root.newCella(nestedBoxes(100), reporter);
    const CCella *cell = &root;
    for (int level = 0; level < 100; ++level) {
        ASSERT_EQ(cell->children().Count(), 1) << "level " << level;
        cell = &cell->children().Item(1);
        ASSERT_EQ(cell->Larghezza(), 202 - 2 * level);
    }
    EXPECT_EQ(cell->Contenuto(), "Z ");
}

// Cells come from large blocks given back once their last cell is released: cells released in
// any order, on another thread, or after the thread that made them has ended, stay intact.
TEST(CellModel, CellsOutliveTheirBlockNeighboursTheirOrderAndTheirThread)
{
    std::vector<std::unique_ptr<CCella>> cells, elsewhere;
    for (int i = 0; i < 100'000; ++i) { // several blocks
        cells.push_back(std::make_unique<CCella>());
        cells.back()->setContenuto("cell " + std::to_string(i) + " with a text too long for the string itself");
    }
    std::shuffle(cells.begin(), cells.end(), std::mt19937(7));
    std::move(cells.begin() + 50'000, cells.end(), std::back_inserter(elsewhere));
    cells.resize(50'000);
    std::thread([&elsewhere] { elsewhere.clear(); }).join();
    std::unique_ptr<CCella> fromEndedThread;
    std::thread([&fromEndedThread] { fromEndedThread = std::make_unique<CCella>(); }).join();
    fromEndedThread.reset();
    for (const auto &cell : cells)
        ASSERT_EQ(cell->Contenuto().rfind("cell ", 0), 0u);
}

// Sorting orders the members by band, then column, equal ones in the order they had (the order of
// repeatedly taking the first smallest), and sorted members keep sharing their children.
TEST(SortCells, OrdersByBandThenColumnKeepingTheOrderOfEqualOnes)
{
    std::mt19937 random(3);
    for (int round = 0; round < 200; ++round) {
        CCella cell;
        std::vector<std::pair<std::pair<int, int>, int>> model; // (band, column), member
        std::vector<const SottoCelle *> children;
        const int count = static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) {
            CCella member;
            member.setIndexRiga(static_cast<std::int16_t>(static_cast<int>(random() % 5) - 1));
            member.setIndexChar(static_cast<std::int16_t>(static_cast<int>(random() % 7) - 2));
            member.setContenuto(std::to_string(i));
            model.push_back({{member.IndexRiga(), member.IndexChar()}, i});
            children.push_back(member.SottoCelle().get());
            cell.SottoCelle()->AddC(member);
        }
        std::stable_sort(model.begin(), model.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        ASSERT_EQ(cell.SortCells(), 0);
        for (std::int32_t i = 1; i <= count; ++i) {
            ASSERT_EQ(cell.children().Item(i).Contenuto(), std::to_string(model[i - 1].second)) << "round " << round;
            ASSERT_EQ(&cell.children().Item(i).children(), children[model[i - 1].second]);
        }
    }
}

} // namespace
} // namespace elvaro::report
