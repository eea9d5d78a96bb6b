#include "ReportTestSupport.h"

#include "report/CCella.h"
#include "report/OverflowError.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace elvaro::report {
namespace {

using testing::describe;
using testing::RecordingReporter;

// Joins lines with the instrument's line end, carriage return then line feed.
std::string crlf(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + "\r\n";
    return text;
}

// The tree of the text, the root's Contenuto after "=" or "*" for a container, then the messages.
std::string parsed(const std::string &text)
{
    CCella root;
    RecordingReporter reporter;
    root.newCella(text, reporter);
    std::string out = describe(root) + (root.ExistSottoCelle ? "*" : "=" + root.Contenuto());
    for (const std::string &message : reporter.messages)
        out += "\n! " + message;
    return out;
}

std::string overflowOf(const std::string &text)
{
    try {
        parsed(text);
    } catch (const OverflowError &error) {
        return error.what();
    }
    return "no overflow";
}

std::string fifteenBoxes()
{
    std::string top;
    std::string middle;
    std::string tree;
    for (int k = 0; k < 15; ++k) {
        const std::string letter(1, static_cast<char>('a' + k));
        top += "+-+ ";
        middle += "|" + letter + "| ";
        tree += "box 0 " + std::to_string(1 + 4 * k) + " 3 1 [" + letter + "]\n  run 0 1 1 1 [" + letter + "]\n";
    }
    return crlf({top, middle, top}) + "\t" + tree + "*";
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
         "trovata"},
    };
    for (const auto &[text, tree] : cases)
        EXPECT_EQ(parsed(text), tree) << text;
    const std::string wide = fifteenBoxes();
    EXPECT_EQ(parsed(wide.substr(0, wide.find('\t'))), wide.substr(wide.find('\t') + 1));
}

TEST(Parser, RecordsTheLineOfEveryCellAndWhetherLine1HeldABox)
{
    const std::tuple<std::vector<std::string>, std::vector<int>, bool> cases[] = {
        {{"title", "+--+", "|a |", "+--+", "end"}, {1, 2, 5}, false},
        {{"+--+  x", "|a |", "+--+", "end"}, {1, 1, 4}, true},
        // Inside a box, lines are counted in the box's own text.
        {{"+------+", "| one  |", "| +--+ |", "| |x | |", "| +--+ |", "+------+"}, {1}, true},
    };
    for (const auto &[lines, sourceLines, firstLineHeldBox] : cases) {
        CCella root;
        RecordingReporter reporter;
        root.newCella(crlf(lines), reporter);
        const SottoCelle &members = root.children();
        ASSERT_EQ(members.Count(), static_cast<std::int32_t>(sourceLines.size())) << describe(root);
        for (std::int32_t i = 1; i <= members.Count(); ++i) {
            EXPECT_EQ(members.Item(i).sourceLine(), sourceLines[static_cast<std::size_t>(i) - 1]) << describe(root);
            EXPECT_EQ(members.Item(i).firstLineHeldBox(), firstLineHeldBox) << describe(root);
        }
        if (lines.size() == 6) {
            EXPECT_EQ(members.Item(1).children().Item(2).sourceLine(), 2);
            EXPECT_FALSE(members.Item(1).children().Item(2).firstLineHeldBox());
        }
    }
}

TEST(Parser, MessagesOfOneParseAreBounded)
{
    std::string last;
    for (int i = 0; i < 3000; ++i)
        last += "++ ";
    CCella root;
    RecordingReporter reporter;
    root.newCella("x\r" + last, reporter);
    EXPECT_EQ(root.children().Count(), 3001);
    ASSERT_EQ(reporter.messages.size(), 101u);
    EXPECT_EQ(reporter.messages[99], "Errore in riga 2, fine casella non trovata");
    EXPECT_EQ(reporter.messages[100], "2900 more boxes without a bottom border were not reported one by one");
}

// Squares of boxes nested `depth` deep, each one column and one line inside the one around it,
// with "Z" in the middle.
std::string nestedBoxes(int depth)
{
    const int size = 2 * depth + 2;
    std::vector<std::string> lines(static_cast<std::size_t>(size), std::string(static_cast<std::size_t>(size), ' '));
    for (int level = 0; level < depth; ++level) {
        const int lo = level;
        const int hi = size - 1 - level;
        for (int i = lo; i <= hi; ++i) {
            lines[lo][i] = lines[hi][i] = '-';
            lines[i][lo] = lines[i][hi] = '|';
        }
        lines[lo][lo] = lines[lo][hi] = lines[hi][lo] = lines[hi][hi] = '+';
    }
    lines[depth][depth] = 'Z';
    return crlf(lines);
}

std::string repeated(const std::string &piece, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

// Each limit: the most the parser takes, then one more, refused with a message naming the limit.
TEST(Parser, LimitsAreTakenToTheLastAndRefusedOneBeyond)
{
    const std::string lines = repeated("x\r", 32766);
    const std::string cells = repeated(repeated("a  ", 10000) + "\r", 200);
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
         "Check that this is a report of the instrument."},
    };
    for (const auto &[text, message] : cases)
        EXPECT_EQ(overflowOf(text), message) << text.substr(0, 40);

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

} // namespace
} // namespace elvaro::report
