#include "report/CCella.h"

#include "report/Int16.h"
#include "report/ReportEncoding.h"
#include "report/Thousands.h"

#include <algorithm>
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
        if (c != Char{'-'} && c != Char{'='})
            return false;
    }
    return false;
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
        std::unique_ptr<CCella> scratch; // every text run of this text is filled in here, then copied
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
        for (;;) {
            if (!f.inLine) {
                if (f.line > f.lineCount)
                    return false;
                f.inLine = true;
                f.position = 1;
                f.buffer.clear();
                f.textSeen = false;
                f.gap = 0;
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
                } else if (c == Char{kCorner} && startsTopBorder(text, index)) {
                    f.position = static_cast<std::int16_t>(position);
                    // Text before the corner ends there: it is a run of its own, and the scan goes
                    // on after the box, so that nothing on the line is read twice or skipped.
                    if (!f.buffer.empty() && !onlySpaces(f.buffer))
                        emitRun(f, runColumn(f, f.position), true);
                    f.buffer.clear();
                    f.gap = 0;
                    if (f.line == 1)
                        f.firstLineHeldBox = true;
                    pushBox(f, boxColumn(f, f.position));
                    return true;
                } else {
                    // Ordinary text, a '+' that starts no top border included.
                    constexpr Char kTextEnds[] = {Char{' '}, Char{kCorner}};
                    std::size_t end = text.find_first_of(kTextEnds, index + 1, 2);
                    if (end == Text::npos)
                        end = text.size();
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
        if (gap > 1) {
            emitRun(f, runColumn(f, checked16(position, "position in a line")), true);
            f.buffer.clear();
        }
        f.textSeen = true;
        f.buffer.append(characters);
        gap = 0;
    }

    void endLine(Frame &f)
    {
        if (!f.buffer.empty() && !onlySpaces(f.buffer))
            emitRun(f, runColumn(f, f.position), false);
        if (f.countdown == 0) {
            f.cuts.clear();
            ++f.band;
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
        if (f.depth == kMaxNesting) {
            throw OverflowError("Overflow: the box on line "
                                + withThousands(static_cast<std::uint64_t>(f.topLine + cornerLine))
                                + " of the report lies inside " + std::to_string(kMaxNesting)
                                + " other boxes, deeper than a report can nest them. Check that this is a report of "
                                  "the instrument.");
        }

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
        if (!bottomFound) {
            if (m_reportedMessages < kMaxReportedMessages) {
                ++m_reportedMessages;
                m_reporter.reportError("Errore in riga " + std::to_string(f.lineCount) + ", fine casella non trovata");
            } else {
                ++m_unreportedMessages;
            }
        }

        countCell();
        CCella &boxCell = *box;
        const int depth = f.depth + 1;
        const int reportLine = f.topLine + cornerLine;
        // `f` is not used after this: the push may move the stack.
        m_stack.push_back(begin(boxCell, std::move(box), std::move(inner)));
        m_stack.back().depth = depth;
        m_stack.back().topLine = reportLine;
    }

    // The box's inner text is parsed: count the cut, keep a copy of the box, go on after it.
    static void resumeAfterBox(Frame &f, CCella &box)
    {
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

void CCella::newCella(std::string_view text, ParseReporter &reporter)
{
    // The instrument's reports are ASCII once filtered: they are parsed a byte a character. Text
    // with any other character is parsed a Unicode character a character, so that "°C" or "à"
    // take one column each, as on the screen and the paper.
    const bool ascii =
        std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (ascii)
        Parser<char>(reporter).parse(*this, text);
    else
        Parser<char32_t>(reporter).parse(*this, text);
}

} // namespace elvaro::report
