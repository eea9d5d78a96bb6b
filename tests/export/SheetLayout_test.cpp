#include "ExportTestSupport.h"

#include "common/Bytes.h"
#include "export/SheetError.h"
#include "report/OverflowError.h"
#include "report/ReportDrawer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>

namespace elvaro::testing {
namespace {

using report::testing::crlf;

// What laying the tree from row `riga`, column `colonna` wrote, or the message of its error.
std::string laidOut(CCella &root, std::int16_t riga = 1, std::int16_t colonna = 1)
{
    excel::Worksheet sheet("Downloaded");
    std::string out;
    try {
        const excel::SheetArea area = excel::ExportExcel(root, riga, colonna, sheet);
        out =
            std::to_string(area.rows) + "x" + std::to_string(area.columns) + (sheet.hasUniformFormat() ? "" : " mixed");
    } catch (const std::exception &error) {
        out = error.what();
    }
    for (const auto &[name, text] : grid(sheet))
        out += " " + name + "=" + text;
    return out;
}

TEST(ExportExcel, BandsFillConsecutiveColumnsFromTheGivenCellInReadingOrderTrimmed)
{
    // Stored out of order, the first band holding cells is band 3.
    CCella root;
    for (const auto &[text, band, column] :
         {std::tuple{"c", 3, 30}, {"  12.5  ", 4, 9}, {"a", 3, 1}, {"Low  water ", 5, 5}, {"b", 3, 12}, {"e", 4, 2}})
        addCell(root, text, static_cast<std::int16_t>(band), static_cast<std::int16_t>(column));
    EXPECT_EQ(laidOut(root, 2, 5), "6x3 E5=a E6=e E7=Low  water F5=b F6=12.5 G5=c");
}

// A cell without sub-cells goes to row riga + IndexRiga and column colonna + IndexChar / 10, the
// nearest whole column, a half to the even one; a separator writes nothing, yet takes its place.
TEST(ExportExcel, ACellWithoutSubCellsGoesToTheNearestColumnHalvesToEven)
{
    const std::tuple<int, const char *, const char *> cases[] = {{0, "  whole report  ", "1x1 A3=whole report"},
                                                                 {14, "x", "1x1 B3=x"},
                                                                 {15, "x", "1x1 B3=x"},
                                                                 {16, "x", "1x1 C3=x"},
                                                                 {25, "x", "1x1 D3=x"},
                                                                 {-4, "x", "1x1 A3=x"},
                                                                 {0, "---- --", "1x1"}};
    for (const auto &[indexChar, text, cell] : cases) {
        CCella leaf;
        leaf.setContenuto(text);
        leaf.setIndexRiga(2);
        leaf.setIndexChar(static_cast<std::int16_t>(indexChar));
        EXPECT_EQ(laidOut(leaf), cell) << indexChar;
    }
}

// Each level holds one box and nothing else, so every level is walked to reach the innermost
// text; the root's band 1 goes below it. Releasing the tree does not exhaust the stack either.
TEST(ExportExcel, NestingFarDeeperThanTheStackAllowsIsExportedInOrder)
{
    auto inner = std::make_unique<CCella>();
    inner->setContenuto("deepest");
    for (int depth = 200'000; depth >= 0; --depth) {
        auto box = std::make_unique<CCella>();
        inner->setBordato(true);
        box->SottoCelle()->AddC(*inner);
        inner = std::move(box);
    }
    CCella root;
    root.SottoCelle()->AddC(*inner);
    inner.reset();
    addCell(root, "after", 1, 1);
    root.ExistSottoCelle = true;
    EXPECT_EQ(laidOut(root), "2x1 A1=deepest A2=after");
}

// Overflows name what overflowed (separators: the position is computed although nothing is written
// there); a column beyond the sheet is an error and the cells before it stay written.
TEST(ExportExcel, WhatGoesBeyondTheSheetIsRefusedNamingIt)
{
    const auto past = [](const std::string &what) {
        return "Overflow: the " + what + " would be 32768, outside the 16-bit range -32768 to 32767";
    };
    const std::tuple<std::int16_t, std::int16_t, std::int16_t, std::vector<const char *>, std::string> cases[] = {
        {32767, 1, 1, {"----"}, past("worksheet row")},
        {32000, 1, 768, {"----"}, past("worksheet row")},
        {1, 32767, 0, {"----", "----"}, past("worksheet column")},
        {1,
         16384,
         0,
         {"last column", "one too far"},
         "Column 16385 is outside the worksheet, whose columns run from 1 (A) to 16,384 (XFD). XFD1=last column"}};
    for (const auto &[riga, colonna, band, texts, message] : cases) {
        CCella root;
        for (std::size_t i = 0; i < texts.size(); ++i)
            addCell(root, texts[i], band, static_cast<std::int16_t>(1 + 19 * i));
        EXPECT_EQ(laidOut(root, riga, colonna), message);
    }
    // Line 3 of the report opens a box whose four lines hold 10,000 runs each.
    const std::string many = repeated(10000, "v  ");
    const std::string border = "+" + std::string(many.size(), '-') + "+";
    CCella root;
    report::testing::RecordingReporter reporter;
    root.newCella(
        crlf({"title", "", border, "|" + many + "|", "|" + many + "|", "|" + many + "|", "|" + many + "|", border}),
        reporter);
    EXPECT_EQ(laidOut(root), "Overflow: the box on line 3 of the report holds 40000 cells, more than the 32,767 that "
                             "one box can hold in the export. Export a smaller part of it. A1=title");
}

// Every text once, where the report shows it.
TEST(SheetLayout, PlacesEveryTextOnceWhereTheReportShowsIt)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        // Line 1 has a row of its own.
        {{"TITLE", "A  B", "C"}, "A1=TITLE A2=A A3=C B2=B"},
        {{"REPORT    N. 12", "+-------+ +------+", "| Temp  | | 21.5 |", "+-------+ +------+", "OK   done", ""},
         "A1=REPORT A2=Temp A4=OK B1=N. 12 B2=21.5 B4=done"},
        {{"a  b  c  d", "e  f", "g  h  i"}, "A1=a A2=e A3=g B1=b B2=f B3=h C1=c C3=i D1=d"},
        {{"Label  +------+  tail", "       | a  b |", "       +------+", "next"}, "A1=Label A3=next B1=a C1=b D1=tail"},
        // The bands below a tall box stay moved down below it, the empty line between them kept.
        {{"+------+", "| a    |", "| b    |", "| c    |", "+------+", "after", "", "end"},
         "A1=a A2=b A3=c A4=after A6=end"},
        {{"+----+ +----+", "| a  | | x  |", "| b  | +----+", "| c  |", "+----+", "end"}, "A1=a A2=b A3=c A5=end B1=x"},
        // A nested box with cells after it in its band.
        {{"+----------------------+", "| head                 |", "| +--------+  right    |",
          "| | p   1  |           |", "| | q   2  |           |", "| +--------+           |",
          "| tail                 |", "+----------------------+"},
         "A1=head A2=p A3=q A4=tail B2=1 B3=2 C2=right"},
        // A box whose only member is a box.
        {{"Alarms", "+------------------+", "|  +------------+  |", "|  | Low   0    |  |", "|  | High  2    |  |",
          "|  +------------+  |", "+------------------+", "end"},
         "A1=Alarms A2=Low A3=High A4=end B2=0 B3=2"},
        // Separators keep their place but write nothing; separator and blank runs each take their column.
        {{"Head", "-----------", "+---+ +---+", "| 1 | | 2 |", "+---+ +---+", "-----------", "Foot"},
         "A1=Head A3=1 A6=Foot B3=2"},
        {{"a  - --  b", "+--+ +--+ +--+", "|c | |  | |d |", "+--+ +--+ +--+"}, "A1=a A2=c C1=b C2=d"},
        // Text before a corner is written once.
        {{"Label  +---+  x", "       | 7 |", "       +---+"}, "A1=Label B1=7 C1=x"}};
    for (const auto &[lines, cells] : cases) {
        std::string laid;
        for (const auto &[name, text] : exportedGrid(crlf(lines)))
            laid += (laid.empty() ? "" : " ") + name + "=" + text;
        EXPECT_EQ(laid, cells) << lines.front();
    }
}

// The boxes as "column width height (inner shape)" after the words outside them, of the parsed and
// of the drawn text alike.
std::string shape(CCella &cell)
{
    std::string words, boxes;
    for (std::int32_t i = 1; i <= cell.children().Count(); ++i) {
        CCella &m = cell.SottoCelle()->Item(i);
        std::istringstream run(m.Contenuto());
        for (std::string word; !m.Bordato() && run >> word;)
            words += word + " ";
        if (m.Bordato())
            boxes += std::to_string(m.IndexChar()) + " " + std::to_string(m.Larghezza()) + " "
                     + std::to_string(m.Altezza()) + " (" + shape(m) + ") ";
    }
    return words + "| " + boxes;
}

template <typename Drawn>
std::string shape(const Drawn &drawn)
{
    std::string words, boxes;
    for (const std::string &word : drawn.words)
        words += word + " ";
    for (const report::testing::DrawnBox &box : drawn.boxes)
        boxes += std::to_string(box.column) + " " + std::to_string(box.width) + " " + std::to_string(box.height) + " ("
                 + shape(box) + ") ";
    return words + "| " + boxes;
}

// The words drawn, separators left out: they write nothing.
std::vector<std::string> wordsOf(const std::vector<std::string> &words,
                                 const std::vector<report::testing::DrawnBox> &boxes)
{
    std::vector<std::string> out;
    std::copy_if(words.begin(), words.end(), std::back_inserter(out),
                 [](const std::string &word) { return word.find_first_not_of('-') != std::string::npos; });
    for (const report::testing::DrawnBox &box : boxes) {
        const std::vector<std::string> inner = wordsOf(box.words, box.boxes);
        out.insert(out.end(), inner.begin(), inner.end());
    }
    return out;
}

// Drawn reports parse into the boxes drawn, where they were drawn, with the words drawn in them, and
// every word of the report is in the sheet once.
TEST(ReportProperty, BoxesAreFoundWhereTheyWereDrawnAndEveryTextIsInTheSheetOnce)
{
    for (unsigned seed = 1; seed <= 300 && !::testing::Test::HasFailure(); ++seed) {
        const report::testing::DrawnText drawn = report::testing::drawnReport(seed);
        const std::string report = crlf(drawn.lines);
        CCella root;
        report::testing::RecordingReporter reporter;
        root.newCella(report, reporter);
        EXPECT_EQ(reporter.messages, std::vector<std::string>{}) << "seed " << seed;
        EXPECT_EQ(shape(root), shape(drawn)) << "seed " << seed << ":\n" << report;
        excel::Worksheet sheet("Downloaded");
        excel::ExportExcel(root, 1, 1, sheet);
        std::vector<std::string> expected = wordsOf(drawn.words, drawn.boxes), found;
        for (const auto &[where, text] : grid(sheet)) {
            std::istringstream value(text);
            for (std::string word; value >> word;)
                found.push_back(word);
        }
        std::sort(expected.begin(), expected.end());
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, expected) << "seed " << seed << ":\n" << report;
    }
}

} // namespace
} // namespace elvaro::testing
