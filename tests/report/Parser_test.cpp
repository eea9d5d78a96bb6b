#include "TreeText.h"

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

TEST(Parser, WorkedExampleCellByCell)
{
    const std::string text = crlf({"REPORT    N. 12", "+-------+ +------+", "| Temp  | | 21.5 |",
                                   "+-------+ +------+", "OK   done", ""});
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
    EXPECT_EQ(p->root.righeForTesting(),
              (std::vector<std::string>{"REPORT    N. 12", " ", " ", " ", "OK   done", ""}));
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
        TreeCase{"TextBeforeACornerIsReadTwice", crlf({"ab  +--+", "    |x |", "    +--+"}),
                 "box 0 5 4 1 [x ]\n  run 0 1 2 1 [x ]\nrun 0 -2 4 1 [ab  ]\nrun 0 2 3 1 [b  ]\n", true, ""},
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
                 true, "" },
        TreeCase{"LastLineOfEveryBoxIsScanned", crlf({"+----+", "| a  |", "| b  |", "+----+"}),
                 "box* 0 1 6 2 []\n  run 0 1 4 1 [ a  ]\n  run 0 1 4 1 [ b  ]\n", false, ""},
        TreeCase{"SingleCharacterAfterARightCornerIsKept", " +-+X\r\n |a|\r\n +-+",
                 "box 0 2 3 1 [a]\n  run 0 1 1 1 [a]\nrun 0 4 2 1 [ X]\n", true, ""},
        TreeCase{"BoxWhoseLastLineIsBlankKeepsItsText", crlf({"+-----+", "| A   |", "|     |", "+-----+"}),
                 "box 0 1 7 2 [ A   ]\n  run 0 1 5 1 [ A   ]\n", false, ""}),
    [](const ::testing::TestParamInfo<TreeCase> &info) { return info.param.name; });

TEST(Parser, NestedBoxColumnIsCountedInsideItsParent)
{
    auto p = parse(crlf({"+----------+", "|  +---+   |", "|  | 1 |   |", "|  +---+   |", "|  end     |",
                         "+----------+"}));
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
        CCella root;
        RecordingReporter reporter;
        try {
            root.newCella(more, reporter);
            FAIL() << "no overflow";
        } catch (const OverflowError &error) {
            EXPECT_STREQ(error.what(), "Overflow: the line number would be 32768, outside the 16-bit range "
                                       "-32768 to 32767");
        }
    }
}

TEST(Limits, LineOf32767CharactersRaisesTheOverflowError)
{
    auto ok = parse(std::string(32766, 'a'));
    EXPECT_EQ(ok->root.Contenuto().size(), 32766u);

    CCella root;
    RecordingReporter reporter;
    try {
        root.newCella(std::string(32767, 'a'), reporter);
        FAIL() << "no overflow";
    } catch (const OverflowError &error) {
        EXPECT_NE(std::string(error.what()).find("position in a line"), std::string::npos) << error.what();
    }
}

TEST(Limits, RunColumnLeavingTheRangeRaisesTheOverflowError)
{
    // Text before each corner is read again after every cut, so the run grows past the 16-bit range.
    const std::string line = std::string(9000, 'x') + " +-++-++-++-+";
    CCella root;
    RecordingReporter reporter;
    try {
        root.newCella(line + "\r" + "x\r", reporter);
        FAIL() << "no overflow";
    } catch (const OverflowError &error) {
        EXPECT_NE(std::string(error.what()).find("run"), std::string::npos) << error.what();
    }
}

TEST(Limits, ALineThatWouldGiveMillionsOfRunsIsRefused)
{
    // The 1,500 runs before the boxes are read again at each of the 1,500 boxes.
    std::string line;
    for (int i = 0; i < 1500; ++i)
        line += "a  ";
    for (int i = 0; i < 1500; ++i)
        line += "+-+";
    CCella root;
    RecordingReporter reporter;
    try {
        root.newCella(line + "\r" + line + "\r", reporter);
        FAIL() << "no overflow";
    } catch (const OverflowError &error) {
        EXPECT_NE(std::string(error.what()).find("more than 2,000,000 cells"), std::string::npos) << error.what();
    }
}

TEST(Limits, DeepNestingParsesWithoutRecursion)
{
    constexpr int depth = 300;
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
    auto p = parse(crlf(lines));
    const CCella *cell = &p->root;
    for (int level = 0; level < depth; ++level) {
        ASSERT_EQ(cell->sottoCelleIfAny()->Count(), 1) << "level " << level;
        cell = &cell->sottoCelleIfAny()->Item(1);
        ASSERT_TRUE(cell->Bordato());
        ASSERT_EQ(cell->Larghezza(), size - 2 * level);
    }
    EXPECT_EQ(cell->Contenuto(), "Z ");
}

} // namespace
} // namespace elvaro::report
