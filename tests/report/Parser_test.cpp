#include "ReportTestSupport.h"

#include "report/CCella.h"
#include "report/OverflowError.h"

#include <gtest/gtest.h>

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

struct Parsed {
    CCella root;
    RecordingReporter reporter;
    std::string tree;
};

std::unique_ptr<Parsed> parse(const std::string &text)
{
    auto parsed = std::make_unique<Parsed>();
    parsed->root.newCella(text, parsed->reporter);
    parsed->tree = describe(parsed->root);
    return parsed;
}

// The message of the OverflowError that parsing the text raises, or "no overflow".
std::string overflowOf(const std::string &text)
{
    CCella root;
    RecordingReporter reporter;
    try {
        root.newCella(text, reporter);
    } catch (const OverflowError &error) {
        return error.what();
    }
    return "no overflow";
}

TEST(Parser, WorkedExampleCellByCell)
{
    const std::string text =
        crlf({"REPORT    N. 12", "+-------+ +------+", "| Temp  | | 21.5 |", "+-------+ +------+", "OK   done", ""});
    auto p = parse(text);
    EXPECT_TRUE(p->root.ExistSottoCelle);
    EXPECT_EQ(p->root.Contenuto(), "");
    EXPECT_EQ(p->tree, "run 0 1 10 1 [REPORT    ]\n"
                       "run 0 11 5 1 [N. 12]\n"
                       "box 0 1 9 1 [ Temp  ]\n"
                       "  run 0 1 7 1 [ Temp  ]\n"
                       "box 0 11 8 1 [ 21.5 ]\n"
                       "  run 0 1 6 1 [ 21.5 ]\n"
                       "run 2 1 5 1 [OK   ]\n"
                       "run 2 6 4 1 [done]\n");
    EXPECT_TRUE(p->reporter.messages.empty());
}

struct TreeCase {
    const char *name;
    std::string text;
    std::string tree;
    bool rootIsContainer;
    std::string rootContenuto;
};

class ParserTrees : public ::testing::TestWithParam<TreeCase> {};

TEST_P(ParserTrees, BuildsTheExpectedTree)
{
    const TreeCase &c = GetParam();
    auto p = parse(c.text);
    EXPECT_EQ(p->tree, c.tree);
    EXPECT_EQ(p->root.ExistSottoCelle, c.rootIsContainer);
    EXPECT_EQ(p->root.Contenuto(), c.rootContenuto);
    EXPECT_TRUE(p->reporter.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParserTrees,
    ::testing::Values(
        TreeCase{"OneLineWithoutLineEndGivesTwoRuns", "alpha  beta", "run 0 1 7 1 [alpha  ]\nrun 0 8 4 1 [beta]\n",
                 true, ""},
        TreeCase{"SingleSpacesKeepOneRun", "one two three", "run 0 1 13 1 [one two three]\n", false, "one two three"},
        TreeCase{"SpacesOnlyLineGivesNoRun", crlf({"     ", "x"}), "run 0 1 1 1 [x]\n", false, "x"},
        TreeCase{"LeadingSpacesBelongToTheFirstRun", "   lead  next", "run 0 1 9 1 [   lead  ]\nrun 0 10 4 1 [next]\n",
                 true, ""},
        TreeCase{"BoxWithTwoWordsIsAContainer", crlf({"+-----------+", "| ab    cd  |", "+-----------+"}),
                 "box* 0 1 13 1 []\n  run 0 1 7 1 [ ab    ]\n  run 0 8 4 1 [cd  ]\n", false, ""},
        TreeCase{"BoxWithNestedBoxOnlyHoldsItAsSingleMember",
                 crlf({"+--------+", "| +--+   |", "| |ok|   |", "| +--+   |", "+--------+"}),
                 "box 0 1 10 3 [    ]\n  box 0 2 4 1 [ok]\n    run 0 1 2 1 [ok]\n", false, ""},
        TreeCase{"SideBySideBoxesKeepTheirColumns", crlf({"+--+ +---+", "|a | |bb |", "+--+ +---+"}),
                 "box 0 1 4 1 [a ]\n  run 0 1 2 1 [a ]\nbox 0 6 5 1 [bb ]\n  run 0 1 3 1 [bb ]\n", true, ""},
        TreeCase{"BoxOfWidthTwoHasNoRuns", crlf({"++", "||", "++"}), "box 0 1 2 1 []\n", false, ""},
        TreeCase{"TextRightOfABottomBorderTakesItsShortenedPosition", crlf({"+--+", "|a |", "+--+  tail"}),
                 "box 0 1 4 1 [a ]\n  run 0 1 2 1 [a ]\nrun 1 1 6 1 [  tail]\n", true, ""},
        TreeCase{"SignedNumbersAreText", crlf({"Temp  +21.5  -3.0", "x +"}),
                 "run 0 1 6 1 [Temp  ]\nrun 0 7 7 1 [+21.5  ]\nrun 0 14 4 1 [-3.0]\nrun 0 1 3 1 [x +]\n", true, ""},
        TreeCase{"TwelveAndMoreBoxesInOneBand",
                 crlf({std::string("+-+ ") + "+-+ +-+ +-+ +-+ +-+ +-+ +-+ +-+ +-+ +-+ +-+ +-+ +-+ +-+",
                       "|a| |b| |c| |d| |e| |f| |g| |h| |i| |j| |k| |l| |m| |n| |o|",
                       "+-+ +-+ +-+ +-+ +-+ +-+ +-+ +-+ +-+ +-+ +-+ +-+ +-+ +-+ +-+"}),
                 [] {
                     std::string tree;
                     for (int k = 0; k < 15; ++k) {
                         const std::string letter(1, static_cast<char>('a' + k));
                         tree += "box 0 " + std::to_string(1 + 4 * k) + " 3 1 [" + letter + "]\n  run 0 1 1 1 ["
                                 + letter + "]\n";
                     }
                     return tree;
                 }(),
                 true, ""},
        TreeCase{"LastLineOfEveryBoxIsScanned", crlf({"+----+", "| a  |", "| b  |", "+----+"}),
                 "box* 0 1 6 2 []\n  run 0 1 4 1 [ a  ]\n  run 0 1 4 1 [ b  ]\n", false, ""},
        TreeCase{"SingleCharacterAfterARightCornerIsKept", " +-+X\r\n |a|\r\n +-+",
                 "box 0 2 3 1 [a]\n  run 0 1 1 1 [a]\nrun 0 5 1 1 [X]\n", true, ""},
        TreeCase{"BoxWhoseLastLineIsBlankKeepsItsText", crlf({"+-----+", "| A   |", "|     |", "+-----+"}),
                 "box 0 1 7 2 [ A   ]\n  run 0 1 5 1 [ A   ]\n", false, ""}),
    [](const ::testing::TestParamInfo<TreeCase> &info) { return info.param.name; });

// Text on the line of a box's top border is read once: text before the corner ends there as a
// run of its own, and the scan goes on with the first character after the box.
INSTANTIATE_TEST_SUITE_P(
    TextOnABoxLine, ParserTrees,
    ::testing::Values(
        TreeCase{"TextBeforeACornerIsARunOfItsOwn", crlf({"Label  +---+", "       | x |", "       +---+"}),
                 "run 0 1 7 1 [Label  ]\nbox 0 8 5 1 [ x ]\n  run 0 1 3 1 [ x ]\n", true, ""},
        TreeCase{"RunsBeforeAndAfterABoxKeepTheirOrderAndColumns", crlf({"A  B  +--+ C", "      |x |", "      +--+"}),
                 "run 0 1 3 1 [A  ]\nrun 0 4 3 1 [B  ]\nbox 0 7 4 1 [x ]\n  run 0 1 2 1 [x ]\nrun 0 11 2 1 [ C]\n",
                 true, ""},
        TreeCase{"TheFirstCharacterAfterABoxIsRead", crlf({"+--+ab", "|x |", "+--+"}),
                 "box 0 1 4 1 [x ]\n  run 0 1 2 1 [x ]\nrun 0 5 2 1 [ab]\n", true, ""},
        TreeCase{"ARunBetweenTwoBoxesGetsItsOwnColumn", crlf({"+-+ a +-+ b", "|x|   |y|", "+-+   +-+"}),
                 "box 0 1 3 1 [x]\n  run 0 1 1 1 [x]\nrun 0 4 3 1 [ a ]\nbox 0 7 3 1 [y]\n  run 0 1 1 1 [y]\n"
                 "run 0 10 2 1 [ b]\n",
                 true, ""},
        TreeCase{"SpacesBeforeABoxStayBeforeIt", crlf({"  +--+   abc", "  |x |", "  +--+"}),
                 "box 0 3 4 1 [x ]\n  run 0 1 2 1 [x ]\nrun 0 7 6 1 [   abc]\n", true, ""},
        TreeCase{"ABoxTouchingTheBoxBeforeItTakesThatBoxsColumn", crlf({"x +-++-+", "  |a||b|", "  +-++-+"}),
                 "run 0 1 2 1 [x ]\nbox 0 3 3 1 [a]\n  run 0 1 1 1 [a]\nbox 0 3 3 1 [b]\n  run 0 1 1 1 [b]\n", true,
                 ""}),
    [](const ::testing::TestParamInfo<TreeCase> &info) { return info.param.name; });

TEST(Parser, RecordsTheLineOfEveryCellAndWhetherLine1HeldABox)
{
    struct Case {
        std::vector<std::string> lines;
        std::vector<int> sourceLines;
        bool firstLineHeldBox;
    };
    for (const Case &c : {Case{{"title", "+--+", "|a |", "+--+", "end"}, {1, 2, 5}, false},
                          Case{{"+--+  x", "|a |", "+--+", "end"}, {1, 1, 4}, true}}) {
        auto p = parse(crlf(c.lines));
        const auto &members = *p->root.SottoCelle();
        ASSERT_EQ(members.Count(), static_cast<std::int32_t>(c.sourceLines.size())) << p->tree;
        for (std::int32_t i = 1; i <= members.Count(); ++i) {
            EXPECT_EQ(members.Item(i).sourceLine(), c.sourceLines[static_cast<std::size_t>(i) - 1]) << p->tree;
            EXPECT_EQ(members.Item(i).firstLineHeldBox(), c.firstLineHeldBox) << p->tree;
        }
    }
    // Inside a box, lines are counted in the box's own text.
    auto nested = parse(crlf({"+------+", "| one  |", "| +--+ |", "| |x | |", "| +--+ |", "+------+"}));
    const CCella &box = nested->root.SottoCelle()->Item(1);
    EXPECT_EQ(box.sourceLine(), 1);
    EXPECT_EQ(box.children().Item(2).sourceLine(), 2);
    EXPECT_FALSE(box.children().Item(2).firstLineHeldBox());
    EXPECT_EQ(CCella().sourceLine(), 0);
}

TEST(Parser, NestedBoxColumnIsCountedInsideItsParent)
{
    auto p =
        parse(crlf({"+----------+", "|  +---+   |", "|  | 1 |   |", "|  +---+   |", "|  end     |", "+----------+"}));
    EXPECT_EQ(p->tree, "box* 0 1 12 4 []\n"
                       "  box 0 3 5 1 [ 1 ]\n"
                       "    run 0 1 3 1 [ 1 ]\n"
                       "  run 2 1 10 1 [  end     ]\n");
}

TEST(Parser, TextsWithoutLinesGiveAnEmptyCell)
{
    for (const std::string &text : {std::string(), std::string("\n\n\n")}) {
        auto p = parse(text);
        EXPECT_EQ(p->root.SottoCelle()->Count(), 0);
        EXPECT_FALSE(p->root.ExistSottoCelle);
        EXPECT_EQ(p->root.Contenuto(), "");
    }
}

TEST(Parser, ACellIsParsedOnlyOnce)
{
    CCella root;
    RecordingReporter reporter;
    root.newCella("a", reporter);
    EXPECT_THROW(root.newCella("a", reporter), std::logic_error);
}

TEST(MissingBottomBorder, BoxKeepsEveryLineBelowAndParsingGoesOn)
{
    auto p = parse(crlf({"+------+", "| one  |", "| two  |", ""}));
    EXPECT_EQ(p->reporter.messages, (std::vector<std::string>{"Errore in riga 4, fine casella non trovata"}));
    EXPECT_EQ(p->tree, "box* 0 1 8 3 []\n  run 0 1 6 1 [ one  ]\n  run 0 1 6 1 [ two  ]\n");
}

TEST(MissingBottomBorder, CornerOnTheLastLineHasNoLineBelow)
{
    auto p = parse("title\r\n+--+");
    EXPECT_EQ(p->reporter.messages, (std::vector<std::string>{"Errore in riga 2, fine casella non trovata"}));
    EXPECT_EQ(p->tree, "run 0 1 5 1 [title]\nbox 0 1 4 0 []\n");
}

TEST(MissingBottomBorder, NestedMessageCountsLinesOfTheInnerText)
{
    auto p = parse(crlf({"+--------+", "| +--+   |", "| |x |   |", "|        |", "+--------+"}));
    EXPECT_EQ(p->reporter.messages, (std::vector<std::string>{"Errore in riga 3, fine casella non trovata"}));
}

TEST(MissingBottomBorder, MessagesOfOneParseAreBounded)
{
    // 3,000 boxes side by side on the last line, none with a line below.
    std::string last;
    for (int i = 0; i < 3000; ++i)
        last += "++ ";
    auto p = parse("x\r" + last);
    EXPECT_EQ(p->root.SottoCelle()->Count(), 3001);
    ASSERT_EQ(p->reporter.messages.size(), 101u);
    EXPECT_EQ(p->reporter.messages[99], "Errore in riga 2, fine casella non trovata");
    EXPECT_EQ(p->reporter.messages[100], "2900 more boxes without a bottom border were not reported one by one");
}

TEST(Limits, LineCountBeyond32766RaisesTheOverflowError)
{
    std::string text;
    for (int i = 0; i < 32766; ++i)
        text += "x\r";
    auto p = parse(text);
    EXPECT_EQ(p->root.SottoCelle()->Count(), 32766);

    for (const std::string &more : {text + "x\r", text + "x"}) {
        EXPECT_EQ(overflowOf(more), "Overflow: the report has more than 32,766 lines, the most one report can have. "
                                    "Export a smaller part of it.");
    }
}

TEST(Limits, ALineOfMoreThan32766CharactersIsRefusedNamingTheLine)
{
    auto ok = parse(std::string(32766, 'a'));
    EXPECT_EQ(ok->root.Contenuto().size(), 32766u);

    // Line feeds are not characters of the line.
    for (const std::string &text :
         {"ok\r\nfine\r\n" + std::string(32767, 'a'),
          "ok\r\nfine\r\n" + std::string(20000, 'a') + "\n" + std::string(12767, 'a') + "\r"}) {
        EXPECT_EQ(overflowOf(text), "Overflow: line 3 of the report has more than 32,766 characters, the most one line "
                                    "can have. Check that this is a report of the instrument, or export a smaller part "
                                    "of it.");
    }
}

TEST(Limits, AReportThatWouldGiveMoreThanTwoMillionCellsIsRefused)
{
    // 10,000 runs a line: 200 lines are 2,000,000 cells, one more run is too many.
    std::string line;
    for (int i = 0; i < 10000; ++i)
        line += "a  ";
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += line + "\r";
    auto p = parse(text);
    EXPECT_EQ(p->root.SottoCelle()->Count(), 2000000);

    EXPECT_EQ(overflowOf(text + "a"), "Overflow: the report would give more than 2,000,000 cells, more than one "
                                      "export can hold. Export a smaller part of it.");
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

TEST(Limits, BoxesNestAHundredDeep)
{
    constexpr int depth = 100;
    const int size = 2 * depth + 2;
    auto p = parse(nestedBoxes(depth));
    const CCella *cell = &p->root;
    for (int level = 0; level < depth; ++level) {
        ASSERT_EQ(cell->children().Count(), 1) << "level " << level;
        cell = &cell->children().Item(1);
        ASSERT_TRUE(cell->Bordato());
        ASSERT_EQ(cell->Larghezza(), size - 2 * level);
    }
    EXPECT_EQ(cell->Contenuto(), "Z ");
}

TEST(Limits, ABoxInsideAHundredOthersIsRefusedNamingItsLine)
{
    // Each box starts one line below the one around it; the report begins with two lines of text.
    EXPECT_EQ(overflowOf(crlf({"title", ""}) + nestedBoxes(150)),
              "Overflow: the box on line 103 of the report lies inside 100 other boxes, deeper than a report can nest "
              "them. Check that this is a report of the instrument.");
}

} // namespace
} // namespace elvaro::report
