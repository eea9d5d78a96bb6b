#include "report/Parser.h"

#include "report/CCella.h"

#include "report/Int16.h"
#include "report/ReportEncoding.h"
#include "report/Thousands.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace elvaro::report {

namespace {

constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';
constexpr char kCorner = '+';
constexpr char kBar = '|';

// Characters from the 1-based position `start`, at most `count` of them (all when count < 0);
// nothing when the position lies past the end.
template <class Char>
std::basic_string_view<Char> mid(std::basic_string_view<Char> s, long long start, long long count = -1)
{
    if (start < 1 || static_cast<std::size_t>(start) > s.size())
        return {};
    std::basic_string_view<Char> rest = s.substr(static_cast<std::size_t>(start) - 1);
    if (count >= 0 && static_cast<std::size_t>(count) < rest.size())
        rest = rest.substr(0, static_cast<std::size_t>(count));
    return rest;
}

// The position of the first '+' at position 2 or later of s (the box's right corner seen
// from its left corner), 0 when there is none.
template <class Char>
std::int16_t rightCornerOffset(std::basic_string_view<Char> s)
{
    if (s.size() < 2)
        return 0;
    const std::size_t found = s.find(Char{kCorner}, 1);
    if (found == std::basic_string_view<Char>::npos)
        return 0;
    return checked16(static_cast<long long>(found) + 1, "box width");
}

// Removes a box of `width` whose left border stands at `position`: the characters before it and
// the characters from position + width on stay.
template <class Char>
void cutLine(std::basic_string<Char> &line, std::int16_t position, std::int16_t width)
{
    const std::size_t from = static_cast<std::size_t>(position) - 1;
    if (from >= line.size())
        return;
    line.erase(from, std::min(line.size() - from, static_cast<std::size_t>(width)));
    // A box's text has been copied out of the line: the memory it took is given back, so that
    // boxes nested deep in each other do not keep a copy of their text at every level.
    if (line.capacity() > 2 * line.size() + 32)
        line.shrink_to_fit();
}

// A line across a border: '-' or '='.
template <class Char>
bool isRuleCharacter(Char c)
{
    return c == Char{'-'} || c == Char{'='};
}

// A '+' at `index` of `line` starts a box only when a top border follows it: everything up to the
// next '+' on the line is '-' or '=' (nothing between them, as in "++", is a border too). Any
// other '+' is text, as in "+21.5" or "Drift +0.4   Offset +0.1".
template <class Char>
bool startsTopBorder(const std::basic_string<Char> &line, std::size_t index)
{
    for (std::size_t at = index + 1; at < line.size(); ++at) {
        const Char c = line[at];
        if (c == Char{kCorner})
            return true;
        if (!isRuleCharacter(c))
            return false;
    }
    return false;
}

// The character at `index`, or NUL past the end of the line.
template <class Char>
Char characterAt(const std::basic_string<Char> &line, std::size_t index)
{
    return index < line.size() ? line[index] : Char{0};
}

// A rule among lines whose fields are separated by '|': only '-', '=', '+', '|', ':' and spaces,
// with a line across and a junction or a bar ("----+----", "|:---|---:|").
template <class Char>
bool isRuleLine(const std::basic_string<Char> &line)
{
    bool across = false;
    bool junction = false;
    for (const Char c : line) {
        if (isRuleCharacter(c))
            across = true;
        else if (c == Char{kCorner} || c == Char{kBar})
            junction = true;
        else if (c != Char{':'} && c != Char{' '})
            return false;
    }
    return across && junction;
}

template <class Char>
bool onlySpaces(const std::basic_string<Char> &s)
{
    return !s.empty() && s.find_first_not_of(Char{' '}) == std::basic_string<Char>::npos;
}

// A cell's text from the parser's characters: UTF-8, as every text of the cell model.
std::string cellText(std::string &&characters)
{
    return std::move(characters);
}

std::string cellText(const std::string &characters)
{
    return characters;
}

std::string cellText(const std::u32string &characters)
{
    std::string text;
    text.reserve(characters.size());
    appendUtf8(text, characters);
    return text;
}

// A line of the report as the parser's characters. ASCII text is read one byte per character;
// any other text one Unicode character per character, so that every character takes one column.
void appendLine(std::string &line, std::string_view piece)
{
    line.append(piece);
}

void appendLine(std::u32string &line, std::string_view piece)
{
    appendCharacters(line, piece);
}

} // namespace

// The report parser. Boxes nest to any depth, so instead of calling itself for every box's
// inner text it keeps one frame per text being parsed on an explicit stack: the scan of a text
// stops at a box corner, the box's inner text is parsed as a frame of its own, and the scan
// resumes where it stopped once that frame is done. A frame holds its text's lines and the cuts
// made in them; they go with the frame when its text is done.
template <class Char>
class Parser {
    using Text = std::basic_string<Char>;
    using TextView = std::basic_string_view<Char>;

public:
    explicit Parser(ParseReporter &reporter) : m_reporter(reporter) {}

    void parse(CCella &root, std::string_view text)
    {
        if (root.m_parsed)
            throw std::logic_error("A cell can be parsed only once: this cell already holds a parsed report");
        m_stack.push_back(begin(root, nullptr, splitLines(text)));
        scanAll();
        if (m_unreportedMessages > 0) {
            m_reporter.reportError(std::to_string(m_unreportedMessages)
                                   + " more boxes without a bottom border were not reported one by one");
        }
    }

private:
    // One report of garbage can hold hundreds of thousands of unclosed boxes: past this many,
    // messages are only counted and summed up once at the end.
    static constexpr int kMaxReportedMessages = 100;

    // Lines are numbered, and positions in a line counted, in 16 bits; the number one past the
    // last line or character must still fit.
    static constexpr std::size_t kMaxLines = 32'766;
    static constexpr std::size_t kMaxLineLength = 32'766;

    // Every level of nesting copies the text of the boxes it holds, so deep nesting costs time
    // with the square of the report's size; instrument reports nest boxes two or three deep.
    static constexpr int kMaxNesting = 100;

    // The most cells one parse builds: ten times the cells of the largest report the instrument
    // prints. It keeps the memory of a parse of any input in the hundreds of megabytes.
    static constexpr long long kMaxCells = 2'000'000;

    void countCell()
    {
        if (++m_cells > kMaxCells) {
            throw OverflowError("Overflow: the report would give more than " + withThousands(kMaxCells)
                                + " cells, more than one export can hold. Export a smaller part of it.");
        }
    }

    void scanAll()
    {
        while (!m_stack.empty()) {
            Frame &frame = m_stack.back();
            if (scan(frame))
                continue; // a box's inner text was pushed
            finish(frame);
            std::unique_ptr<CCella> box = std::move(frame.ownedBox);
            m_stack.pop_back();
            if (box)
                resumeAfterBox(m_stack.back(), *box);
        }
    }

    // A box cut out of the lines of the current row band: where its left border stood in its line
    // when it was cut, and its width.
    struct Cut {
        std::int16_t position = 0;
        std::int16_t width = 0;
    };

    // A cell of a grid waiting for its text to be parsed.
    struct PendingCell {
        std::unique_ptr<CCella> box;
        std::vector<Text> lines;
        int topLine = 0; // the line of the report on which the cell's top border stands
    };

    // A table drawn with shared borders, as found from its top-left corner.
    struct GridCell {
        GridPlace place;
        std::int16_t left = 0;    // the position of its left border in the grid's lines
        std::int16_t width = 0;   // from its left border to its right border, both included
        std::int16_t topRule = 0; // the line of its top border
        std::vector<Text> lines;
    };

    struct Grid {
        std::int16_t width = 0;
        std::int16_t lastLine = 0; // its bottom rule, or its last text line when that is missing
        bool bottomFound = false;
        std::vector<GridCell> cells;
    };

    struct Frame {
        CCella *cell = nullptr;
        std::unique_ptr<CCella> ownedBox; // the box being parsed; null for the root
        std::vector<Text> lines;          // shortened in place as boxes are cut out of them
        std::vector<Cut> cuts;            // of the current row band, in the order they were made
        std::int16_t lineCount = 0;
        Int16 line{"line number", std::int16_t{1}};
        Int16 band{"row band", std::int16_t{0}};
        Int16 countdown{"row band countdown", std::int16_t{1}};
        bool inLine = false;
        bool resumeAfterBox = false;
        bool firstLineHeldBox = false;
        int depth = 0;   // the boxes around this text
        int topLine = 0; // the line of the report on which the box of this text starts; 0 for the report
        Int16 position{"position in a line", std::int16_t{1}};
        Text buffer;
        bool textSeen = false;
        Int16 gap{"run gap", std::int16_t{0}};
        // Lines of the report outside every box whose fields are separated by '|': each field is
        // a run of its own, and a rule among them gives none.
        bool fieldLine = false;
        bool barSeen = false;
        bool ruleLine = false;
        bool boxOnLine = false;
        bool afterFieldLine = false;     // the line above held fields
        std::unique_ptr<CCella> scratch; // every text run of this text is filled in here, then copied
        // A grid's frame scans no text: it holds the grid's cells, each parsed as a frame of its own.
        bool isGrid = false;
        std::vector<PendingCell> pendingCells;
        std::size_t nextCell = 0;
    };

    // The lines of s: a carriage return ends a line, a line feed is dropped, a last line without
    // a carriage return counts only when it is not empty. Lines and their positions are 16-bit
    // numbers, so a text of more lines, or with a longer line, than they can count is refused
    // here, before it takes memory, naming the line.
    static std::vector<Text> splitLines(std::string_view s)
    {
        std::vector<Text> lines;
        Text buffer;
        auto endLine = [&lines, &buffer] {
            if (lines.size() == kMaxLines) {
                throw OverflowError("Overflow: the report has more than " + withThousands(kMaxLines)
                                    + " lines, the most one report can have. Export a smaller part of it.");
            }
            lines.push_back(std::move(buffer));
            buffer.clear();
        };
        std::size_t from = 0;
        while (from < s.size()) {
            const std::size_t end = s.find(kCarriageReturn, from);
            const std::string_view piece = s.substr(from, end == std::string_view::npos ? s.size() - from : end - from);
            for (std::size_t start = 0; start < piece.size();) {
                const std::size_t feed = piece.find(kLineFeed, start);
                const std::size_t stop = feed == std::string_view::npos ? piece.size() : feed;
                appendLine(buffer, piece.substr(start, stop - start));
                if (buffer.size() > kMaxLineLength) {
                    throw OverflowError("Overflow: line " + withThousands(lines.size() + 1)
                                        + " of the report has more than " + withThousands(kMaxLineLength)
                                        + " characters, the most one line can have. Check that this is a report "
                                          "of the instrument, or export a smaller part of it.");
                }
                start = stop + 1;
            }
            if (end == std::string_view::npos)
                break;
            endLine();
            from = end + 1;
        }
        if (!buffer.empty())
            endLine();
        return lines;
    }

    // The frame of a text split into its lines. A box's inner text is handed over as its lines:
    // each of them ends with a line feed and a carriage return, so it would split into exactly the
    // lines it was built from.
    static Frame begin(CCella &cell, std::unique_ptr<CCella> ownedBox, std::vector<Text> lines)
    {
        cell.m_parsed = true;
        Frame frame;
        frame.cell = &cell;
        frame.ownedBox = std::move(ownedBox);
        frame.lineCount = checked16(static_cast<long long>(lines.size()), "line number");
        frame.lines = std::move(lines);
        return frame;
    }

    // Scans from where the frame stopped. Returns true when it met a box corner and pushed the
    // box's inner text as a new frame; false when the whole text has been scanned.
    bool scan(Frame &f)
    {
        if (f.isGrid)
            return pushNextGridCell(f);
        for (;;) {
            if (!f.inLine) {
                if (f.line > f.lineCount)
                    return false;
                f.inLine = true;
                f.position = 1;
                f.buffer.clear();
                f.textSeen = false;
                f.gap = 0;
                const Text &line = f.lines[static_cast<std::size_t>(f.line) - 1];
                const bool outsideBoxes = f.depth == 0;
                f.afterFieldLine = f.fieldLine;
                f.ruleLine = outsideBoxes && isRuleLine(line);
                f.fieldLine = outsideBoxes && line.find(Char{kBar}) != Text::npos;
                f.barSeen = false;
                f.boxOnLine = false;
            }
            const Text &text = f.lines[static_cast<std::size_t>(f.line) - 1];
            const long long length = static_cast<long long>(text.size());
            long long position = f.position;
            long long gap = f.gap;

            // Examines the character at `position`: the first position of a line is examined even
            // when the line is empty. After a box the scan goes on at the box's position, which now
            // holds the first character after it; a box that was the end of its line ends the scan
            // of the line there. Runs of spaces and of ordinary characters are taken whole.
            const bool afterBox = std::exchange(f.resumeAfterBox, false);
            while ((position == f.position && !afterBox) || position <= length) {
                if (position > length) {
                    // An empty line: its one examined position is past the end.
                    ordinaryText(f, gap, position, {});
                    position = advance(position, 1);
                    break;
                }
                const std::size_t index = static_cast<std::size_t>(position) - 1;
                const Char c = text[index];
                if (c == Char{' '}) {
                    const std::size_t end = std::min(text.find_first_not_of(Char{' '}, index), text.size());
                    const std::size_t spaces = end - index;
                    f.buffer.append(spaces, ' ');
                    if (f.textSeen)
                        gap += static_cast<long long>(spaces);
                    position = advance(position, static_cast<long long>(spaces));
                } else if (c == Char{kCorner} && startsTopBorder(text, index) && !followsRule(text, index)
                           && !(f.ruleLine && f.afterFieldLine)) {
                    // (A line of only rule characters right under a line of fields is a rule between
                    // fields, even where it would start a box: "+====+====+" cut out of a table
                    // with the lines around it.)
                    f.position = static_cast<std::int16_t>(position);
                    // Text before the corner ends there: it is a run of its own, and the scan goes
                    // on after the box, so that nothing on the line is read twice or skipped.
                    if (!f.buffer.empty() && !onlySpaces(f.buffer))
                        emitRun(f, runColumn(f, f.position), true);
                    f.buffer.clear();
                    f.gap = 0;
                    if (f.line == 1)
                        f.firstLineHeldBox = true;
                    f.boxOnLine = true;
                    const std::int16_t column = boxColumn(f, f.position);
                    if (std::optional<Grid> grid = findGrid(f))
                        pushGrid(f, column, std::move(*grid));
                    else
                        pushBox(f, column);
                    return true;
                } else if (c == Char{kBar} && f.fieldLine) {
                    endField(f, gap, position);
                    position = advance(position, 1);
                } else {
                    // Ordinary text, a '+' that starts no top border included. A plain loop: a
                    // set search would look through its set for every character.
                    std::size_t end = index + 1;
                    while (end < text.size() && text[end] != Char{' '} && text[end] != Char{kCorner}
                           && !(f.fieldLine && text[end] == Char{kBar}))
                        ++end;
                    ordinaryText(f, gap, position, TextView(text).substr(index, end - index));
                    position = advance(position, static_cast<long long>(end - index));
                }
            }
            f.position = checked16(position, "position in a line");
            f.gap = checked16(gap, "run gap");
            endLine(f);
        }
    }

    // One past `position` by `count`; positions stay within 16 bits.
    static long long advance(long long position, long long count)
    {
        return checked16(position + count, "position in a line");
    }

    // Characters other than a space or a box corner, starting at `position`: a gap of two or more
    // spaces before them ends the run in the buffer.
    void ordinaryText(Frame &f, long long &gap, long long position, TextView characters)
    {
        if (gap > 1 && !f.fieldLine) {
            emitRun(f, runColumn(f, checked16(position, "position in a line")), true);
            f.buffer.clear();
        }
        f.textSeen = true;
        f.buffer.append(characters);
        gap = 0;
    }

    // A '|' at `position` ends the field before it. A field between two bars is a run even when it
    // is blank, so that the fields after it keep their columns; blank text before the first bar
    // is none.
    void endField(Frame &f, long long &gap, long long position)
    {
        if (!f.buffer.empty() && (f.barSeen || !onlySpaces(f.buffer)))
            emitRun(f, runColumn(f, checked16(position, "position in a line")), true);
        f.buffer.clear();
        f.textSeen = false;
        f.barSeen = true;
        gap = 0;
    }

    // A '+' right after a line across ("-----+-----") is a junction of a rule, not a corner.
    static bool followsRule(const Text &line, std::size_t index)
    {
        return index > 0 && isRuleCharacter(line[index - 1]);
    }

    void endLine(Frame &f)
    {
        if (!f.buffer.empty() && !onlySpaces(f.buffer))
            emitRun(f, runColumn(f, f.position), false);
        // A rule between lines of fields takes no band: the fields below it go right under those
        // above it.
        const bool ruleOnly = f.ruleLine && !f.boxOnLine;
        if (f.countdown == 0) {
            if (!ruleOnly) {
                f.cuts.clear();
                ++f.band;
            }
        } else {
            --f.countdown;
        }
        f.inLine = false;
        ++f.line;
    }

    // The column of a box whose corner stands at `position` of the current (shortened) line:
    // every box cut out of the band before that column adds its width.
    static std::int16_t boxColumn(const Frame &f, std::int16_t position)
    {
        Int16 column("box column", position);
        for (const Cut &cut : f.cuts) {
            if (cut.position < column)
                column += cut.width;
        }
        return column;
    }

    // The column, in the text as given, of a run that starts at position `start` of the current
    // line: the cuts of the band are undone from the last one back, each moving what stood at or
    // after its position right by the box's width. So a run right after a box, or between two
    // boxes, gets the column where its first character stands.
    static std::int16_t originalColumn(const Frame &f, long long start)
    {
        Int16 column("run column", start);
        for (auto cut = f.cuts.rbegin(); cut != f.cuts.rend(); ++cut) {
            if (column >= cut->position)
                column += cut->width;
        }
        return column;
    }

    // The column of the run in the buffer. `end` is the position just past it (the text after its
    // gap, a box corner or the line's end); the run started buffer-length places before it.
    static std::int16_t runColumn(const Frame &f, std::int16_t end)
    {
        return originalColumn(f, static_cast<long long>(end) - static_cast<long long>(f.buffer.size()));
    }

    // Appends the buffer as a text run. The buffer is moved when the caller empties it right after.
    void emitRun(Frame &f, std::int16_t column, bool bufferIsEmptiedAfter)
    {
        if (f.ruleLine)
            return;
        if (!f.scratch)
            f.scratch = std::make_unique<CCella>();
        CCella &run = *f.scratch;
        run.setBordato(false);
        run.setLarghezza(checked16(static_cast<long long>(f.buffer.size()), "text run width"));
        run.setContenuto(bufferIsEmptiedAfter ? cellText(std::move(f.buffer)) : cellText(f.buffer));
        run.setIndexRiga(f.band);
        run.setIndexChar(column);
        run.setAltezza(1);
        run.m_sourceLine = f.line;
        countCell();
        f.cell->SottoCelle()->addTakingText(run);
    }

    // Cuts the box whose top-left corner stands at the frame's position out of its lines,
    // collects its inner text and pushes that text as a frame of its own.
    void pushBox(Frame &f, std::int16_t column)
    {
        const std::int16_t position = f.position;
        const std::int16_t cornerLine = f.line;
        checkNesting(f.depth, f.topLine + cornerLine);

        auto box = std::make_unique<CCella>();
        box->setBordato(true);
        box->setIndexChar(column);
        box->setIndexRiga(f.band);
        box->setAltezza(0);
        box->m_sourceLine = cornerLine;

        Text &top = f.lines[static_cast<std::size_t>(cornerLine) - 1];
        const std::int16_t width = rightCornerOffset(mid(TextView(top), position));
        box->setLarghezza(width);
        f.cuts.push_back(Cut{position, width});
        cutLine(top, position, width);

        Int16 height("box height", std::int16_t{0});
        std::vector<Text> inner;
        bool bottomFound = false;
        for (std::int16_t below = cornerLine; below < f.lineCount;) {
            ++below;
            Text &line = f.lines[static_cast<std::size_t>(below) - 1];
            const std::size_t index = static_cast<std::size_t>(position) - 1;
            if (index < line.size() && line[index] == Char{kCorner}) {
                cutLine(line, position, width);
                bottomFound = true;
                break;
            }
            ++height;
            inner.emplace_back(mid(TextView(line), static_cast<long long>(position) + 1, width - 2));
            cutLine(line, position, width);
        }
        box->setAltezza(height);
        if (!bottomFound)
            reportMissingBottom(f);

        countCell();
        CCella &boxCell = *box;
        const int depth = f.depth + 1;
        const int reportLine = f.topLine + cornerLine;
        // `f` is not used after this: the push may move the stack.
        m_stack.push_back(begin(boxCell, std::move(box), std::move(inner)));
        m_stack.back().depth = depth;
        m_stack.back().topLine = reportLine;
    }

    // Boxes nest at most kMaxNesting deep; `depth` counts the boxes around the text in which a box
    // starts on `reportLine`.
    static void checkNesting(int depth, int reportLine)
    {
        if (depth < kMaxNesting)
            return;
        throw OverflowError("Overflow: the box on line " + withThousands(static_cast<std::uint64_t>(reportLine))
                            + " of the report lies inside " + std::to_string(kMaxNesting)
                            + " other boxes, deeper than a report can nest them. Check that this is a report of "
                              "the instrument.");
    }

    void reportMissingBottom(const Frame &f)
    {
        if (m_reportedMessages < kMaxReportedMessages) {
            ++m_reportedMessages;
            m_reporter.reportError("Errore in riga " + std::to_string(f.lineCount) + ", fine casella non trovata");
        } else {
            ++m_unreportedMessages;
        }
    }

    // The drawing whose top-left corner stands at the frame's position, when it is a grid: cells
    // that share their borders. It is one when its top border has a junction ("+----+----+"), or
    // when a rule below its corner is shared by the cell under it (a '|' right below that rule).
    // Any other drawing is a box with borders of its own, read as it always was.
    //
    // The grid goes down its left border, as far as '|' and '+' stand in the corner's column; it
    // ends at a rule with no '|' below it, or, when its last rule is missing, at its last '|'.
    // Its columns are cut at the junctions of its rules across the whole grid; a row ends at a
    // line where the column's part is a rule between two junctions ("+-----+", "+=====+"). A cell
    // spans the columns whose border is not drawn on its lines and the rows whose rule is not
    // drawn below it.
    std::optional<Grid> findGrid(const Frame &f)
    {
        const std::vector<Text> &lines = f.lines;
        const std::size_t left = static_cast<std::size_t>(f.position) - 1;
        const std::size_t top = static_cast<std::size_t>(f.line) - 1;
        const Text &topText = lines[top];

        std::size_t right = left;
        bool junctionOnTop = false;
        for (;;) {
            std::size_t next = right + 1;
            while (next < topText.size() && isRuleCharacter(topText[next]))
                ++next;
            if (next == right + 1 || characterAt(topText, next) != Char{kCorner})
                break;
            junctionOnTop = right != left;
            right = next;
            if (!isRuleCharacter(characterAt(topText, right + 1)))
                break;
        }
        if (right == left)
            return std::nullopt;

        std::size_t last = top;
        bool bottomFound = false;
        bool sharedRule = false;
        for (std::size_t y = top + 1; y < lines.size(); ++y) {
            const Char c = characterAt(lines[y], left);
            if (c != Char{kBar} && c != Char{kCorner})
                break;
            last = y;
            if (c == Char{kBar})
                continue;
            if (characterAt(lines.size() > y + 1 ? lines[y + 1] : Text{}, left) != Char{kBar}) {
                bottomFound = true;
                break;
            }
            sharedRule = true;
        }
        if ((!junctionOnTop && !sharedRule) || last == top + (bottomFound ? 1 : 0))
            return std::nullopt;

        // The columns: every junction of a rule across the whole grid.
        const auto isFullRule = [&](const Text &line) {
            if (line.size() <= right || line[left] != Char{kCorner} || line[right] != Char{kCorner})
                return false;
            return std::all_of(line.begin() + static_cast<std::ptrdiff_t>(left),
                               line.begin() + static_cast<std::ptrdiff_t>(right) + 1,
                               [](Char c) { return isRuleCharacter(c) || c == Char{kCorner} || c == Char{':'}; });
        };
        std::vector<bool> junction(right - left + 1, false);
        for (std::size_t y = top; y <= last; ++y) {
            if (!isFullRule(lines[y]))
                continue;
            for (std::size_t x = left; x <= right; ++x) {
                if (lines[y][x] == Char{kCorner})
                    junction[x - left] = true;
            }
        }
        std::vector<std::size_t> borders; // the positions of the column borders, from left to right
        for (std::size_t x = left; x <= right; ++x) {
            if (junction[x - left])
                borders.push_back(x);
        }
        const std::size_t columnCount = borders.size() - 1;

        // Which columns a line closes with a rule; a rule may end at a bar ("|-----+-----|").
        const auto rulesOf = [&](const Text &line) {
            std::vector<bool> rules(columnCount, false);
            for (std::size_t column = 0; column < columnCount; ++column) {
                const std::size_t from = borders[column];
                const std::size_t to = borders[column + 1];
                const auto isEnd = [](Char c) { return c == Char{kCorner} || c == Char{kBar}; };
                if (!isEnd(characterAt(line, from)) || !isEnd(characterAt(line, to)))
                    continue;
                bool across = false;
                bool rule = true;
                for (std::size_t x = from + 1; x < to && rule; ++x) {
                    across = across || isRuleCharacter(line[x]);
                    rule = isRuleCharacter(line[x]) || line[x] == Char{':'};
                }
                rules[column] = rule && across;
            }
            return rules;
        };

        // The rows: the lines between one rule and the next, and the rules below each of them.
        struct Row {
            std::size_t first = 0;
            std::size_t end = 0;
            std::vector<bool> ruleBelow;
        };
        std::vector<Row> rows;
        rows.push_back(Row{top + 1, top + 1, {}});
        for (std::size_t y = top + 1; y <= last; ++y) {
            std::vector<bool> rules = rulesOf(lines[y]);
            const bool bottom = bottomFound && y == last;
            if (!bottom && std::none_of(rules.begin(), rules.end(), [](bool rule) { return rule; }))
                continue;
            Row &row = rows.back();
            row.end = y;
            row.ruleBelow = bottom ? std::vector<bool>(columnCount, true) : std::move(rules);
            if (!bottom)
                rows.push_back(Row{y + 1, y + 1, {}});
        }
        if (!bottomFound) {
            rows.back().end = last + 1;
            rows.back().ruleBelow.assign(columnCount, true);
        }

        const auto borderDrawn = [&](const Row &row, std::size_t border) {
            const std::size_t x = borders[border];
            for (std::size_t y = row.first; y < row.end; ++y) {
                const Char c = characterAt(lines[y], x);
                if (c != Char{kBar} && c != Char{kCorner})
                    return false;
            }
            return true;
        };

        Grid grid;
        grid.width = checked16(static_cast<long long>(right - left) + 1, "box width");
        grid.lastLine = checked16(static_cast<long long>(last) + 1, "line number");
        grid.bottomFound = bottomFound;
        std::vector<bool> taken(rows.size() * columnCount, false);
        const auto isTaken = [&](std::size_t row, std::size_t column) { return taken[row * columnCount + column]; };
        std::int16_t gridRow = 0;
        for (std::size_t row = 0; row < rows.size(); ++row) {
            if (rows[row].first == rows[row].end)
                continue; // two rules on consecutive lines
            for (std::size_t column = 0; column < columnCount; ++column) {
                if (isTaken(row, column))
                    continue;
                std::size_t lastColumn = column;
                while (lastColumn + 1 < columnCount && !isTaken(row, lastColumn + 1)
                       && !borderDrawn(rows[row], lastColumn + 1))
                    ++lastColumn;
                std::size_t lastRow = row;
                while (lastRow + 1 < rows.size() && !rows[lastRow].ruleBelow[column]) {
                    bool free = true;
                    for (std::size_t c = column; c <= lastColumn; ++c)
                        free = free && !isTaken(lastRow + 1, c);
                    if (!free)
                        break;
                    ++lastRow;
                }
                GridCell cell;
                cell.place.row = gridRow;
                cell.place.column = static_cast<std::int16_t>(column);
                cell.place.columns = static_cast<std::int16_t>(lastColumn - column + 1);
                cell.place.rows = 0;
                for (std::size_t r = row; r <= lastRow; ++r) {
                    if (rows[r].first != rows[r].end)
                        ++cell.place.rows;
                    for (std::size_t c = column; c <= lastColumn; ++c)
                        taken[r * columnCount + c] = true;
                }
                cell.left = static_cast<std::int16_t>(borders[column] + 1);
                cell.width = static_cast<std::int16_t>(borders[lastColumn + 1] - borders[column] + 1);
                cell.topRule = static_cast<std::int16_t>(rows[row].first);
                const long long innerWidth = cell.width - 2;
                for (std::size_t y = rows[row].first; y < rows[lastRow].end; ++y)
                    cell.lines.emplace_back(mid(TextView(lines[y]), cell.left + 1, innerWidth));
                // Counted as they are found: a grid of garbage can hold millions of cells.
                countCell();
                grid.cells.push_back(std::move(cell));
            }
            ++gridRow;
        }
        return grid;
    }

    // Cuts the grid whose top-left corner stands at the frame's position out of its lines, as a box
    // of its size, and pushes a frame that parses its cells one by one.
    void pushGrid(Frame &f, std::int16_t column, Grid grid)
    {
        const std::int16_t position = f.position;
        const std::int16_t cornerLine = f.line;
        checkNesting(f.depth + 1, f.topLine + cornerLine);

        auto box = std::make_unique<CCella>();
        box->setBordato(true);
        box->setIndexChar(column);
        box->setIndexRiga(f.band);
        box->setLarghezza(grid.width);
        box->setAltezza(static_cast<std::int16_t>(grid.lastLine - cornerLine - (grid.bottomFound ? 1 : 0)));
        box->m_sourceLine = cornerLine;
        box->m_grid = true;
        f.cuts.push_back(Cut{position, grid.width});
        for (std::int16_t line = cornerLine; line <= grid.lastLine; ++line)
            cutLine(f.lines[static_cast<std::size_t>(line) - 1], position, grid.width);
        if (!grid.bottomFound)
            reportMissingBottom(f);
        countCell();

        CCella &gridCell = *box;
        Frame frame = begin(gridCell, std::move(box), {});
        frame.isGrid = true;
        frame.depth = f.depth + 1;
        frame.topLine = f.topLine + cornerLine;
        frame.pendingCells.reserve(grid.cells.size());
        for (GridCell &cell : grid.cells) {
            auto cellBox = std::make_unique<CCella>();
            cellBox->setBordato(true);
            cellBox->setIndexChar(static_cast<std::int16_t>(cell.left - position + 1));
            cellBox->setIndexRiga(cell.place.row);
            cellBox->setLarghezza(cell.width);
            cellBox->setAltezza(checked16(static_cast<long long>(cell.lines.size()), "box height"));
            cellBox->m_sourceLine = static_cast<std::int16_t>(cell.topRule - cornerLine);
            cellBox->m_gridPlace = cell.place;
            frame.pendingCells.push_back(
                PendingCell{std::move(cellBox), std::move(cell.lines), frame.topLine + cell.topRule - cornerLine});
        }
        // `f` is not used after this: the push may move the stack.
        m_stack.push_back(std::move(frame));
    }

    // Pushes the next cell of a grid as a frame of its own; false when every cell is done.
    bool pushNextGridCell(Frame &grid)
    {
        if (grid.nextCell == grid.pendingCells.size())
            return false;
        PendingCell &pending = grid.pendingCells[grid.nextCell++];
        const int depth = grid.depth + 1;
        const int topLine = pending.topLine;
        CCella &cell = *pending.box;
        Frame frame = begin(cell, std::move(pending.box), std::move(pending.lines));
        frame.depth = depth;
        frame.topLine = topLine;
        // `grid` is not used after this: the push may move the stack.
        m_stack.push_back(std::move(frame));
        return true;
    }

    // The box's inner text is parsed: count the cut, keep a copy of the box, go on after it.
    static void resumeAfterBox(Frame &f, CCella &box)
    {
        if (f.isGrid) {
            f.cell->SottoCelle()->AddC(box);
            return;
        }
        // The boxes of a row band are counted in 16 bits, this one included.
        checked16(static_cast<long long>(f.cuts.size()), "number of boxes in a row band");
        const std::shared_ptr<SottoCelle> &members = f.cell->SottoCelle();
        members->AddC(box);
        f.countdown = members->Item(members->Count()).Altezza();
        f.textSeen = false;
        f.resumeAfterBox = true;
    }

    // After the scan: two or more members make a container; otherwise the cell shows a text,
    // its one text run's or the last scanned line's buffer.
    static void finish(Frame &f)
    {
        CCella &cell = *f.cell;
        const std::shared_ptr<SottoCelle> &members = cell.SottoCelle();
        for (const std::unique_ptr<CCella> &member : members->m_members)
            member->m_firstLineHeldBox = f.firstLineHeldBox;
        if (members->Count() >= 2) {
            cell.ExistSottoCelle = true;
            return;
        }
        cell.ExistSottoCelle = false;
        if (members->Count() == 1 && !members->Item(1).Bordato())
            cell.setContenuto(members->Item(1).Contenuto());
        else
            cell.setContenuto(cellText(f.buffer));
    }

    ParseReporter &m_reporter;
    std::vector<Frame> m_stack;
    int m_reportedMessages = 0;
    long long m_cells = 0;
    long long m_unreportedMessages = 0;
};

void parseReport(CCella &cell, std::string_view text, ParseReporter &reporter)
{
    // The instrument's reports are ASCII once filtered: they are parsed a byte a character. Text
    // with any other character is parsed a Unicode character a character, so that "°C" or "à"
    // take one column each, as on the screen and the paper.
    const bool ascii =
        std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (ascii)
        Parser<char>(reporter).parse(cell, text);
    else
        Parser<char32_t>(reporter).parse(cell, text);
}

} // namespace elvaro::report
