#include "export/ExportExcel.h"

#include "report/Int16.h"
#include "report/Thousands.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace elvaro::excel {

namespace {

using report::CCella;
using report::checked16;

// A box's sub-cells are sorted, and counted, in 16 bits.
constexpr std::int32_t kMaxCellsInBox = std::numeric_limits<std::int16_t>::max();

// The band whose row a cell takes: its row band, one lower when it was found below a line 1
// that held no box (that line 1 then shares band 0 with line 2 only by the count).
std::int32_t sheetBand(const CCella &cell)
{
    const bool belowUnboxedLine1 = cell.sourceLine() > 1 && !cell.firstLineHeldBox();
    return cell.band() + (belowUnboxedLine1 ? 1 : 0);
}

// One box being exported: where it starts, how far its walk got and what its bands took so far.
struct Frame {
    Frame(CCella &box, std::int16_t row, std::int16_t column, std::int32_t topLine)
        : cell(&box), startRow(row), startColumn(column), topLine(topLine), freeRow(row), columnEnd(column)
    {}

    CCella *cell;
    std::int16_t startRow;    // the row of the box's band 0
    std::int16_t startColumn; // the column at which each of its bands starts
    // The line of the report on which the box's top border stands (0 for the whole report, and
    // when the cell was not found by the parser), for the messages.
    std::int32_t topLine;
    bool started = false;
    std::vector<CCella *> members; // in the order they are placed: by sheet band, then column
    std::size_t next = 0;

    std::optional<std::int32_t> band; // the band being placed
    std::int32_t shift = 0;           // rows the bands were moved down so far
    std::int32_t bandRow = 0;         // the row of the band being placed
    std::int32_t bandEnd = 0;         // the first row below everything the band took
    std::int32_t column = 0;          // the next free column of the band
    std::int32_t freeRow;             // the first row below every band placed before
    std::int32_t columnEnd;           // the first column right of everything written

    SheetArea area() const
    {
        const std::int32_t end = band ? std::max(freeRow, bandEnd) : freeRow;
        return SheetArea{std::max(end - startRow, 1), std::max(columnEnd - startColumn, 1)};
    }
};

std::string_view trimSpaces(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A box is walked when it holds two or more cells, and also when its only cell is a box:
// its own text is then blank and the nested box's texts would be lost.
bool isWalked(const CCella &cell)
{
    if (cell.ExistSottoCelle)
        return true;
    const report::SottoCelle &members = cell.children();
    return members.Count() == 1 && members.Item(1).isBordered();
}

// The whole column that a real-valued one stands for: the nearest, a half to the even neighbour,
// whatever the floating-point rounding mode in force.
std::int32_t wholeColumn(double column)
{
    const double lower = std::floor(column);
    const double fraction = column - lower;
    if (fraction < 0.5)
        return static_cast<std::int32_t>(lower);
    if (fraction > 0.5 || std::fmod(lower, 2.0) != 0)
        return static_cast<std::int32_t>(lower + 1);
    return static_cast<std::int32_t>(lower);
}

std::int32_t wholeColumn(std::int16_t column)
{
    return column;
}

// Writes a leaf's text trimmed of spaces; a separator or filler text is skipped, and the
// worksheet cell is not even addressed.
template <typename Column>
void writeText(Worksheet &sheet, std::int16_t row, Column column, const std::string &text)
{
    if (CCella::SoloTrattini(text))
        return;
    sheet.setValue(row, wholeColumn(column), trimSpaces(text));
}

// Gives the whole sheet the uniform format and selects A1.
void formatSheet(Worksheet &sheet)
{
    sheet.applyUniformFormat();
}

// The line of the report on which a member of the box stands, 0 when it is not known.
std::int32_t reportLine(const Frame &frame, const CCella &member)
{
    if (member.sourceLine() == 0 || (frame.topLine == 0 && frame.cell->isBordered()))
        return 0;
    return frame.topLine + member.sourceLine();
}

// A box's sub-cells are sorted, and counted, in 16 bits: more of them than that is refused with
// the place of the box in the report.
void checkCellCount(const Frame &frame)
{
    const std::int32_t count = frame.cell->SottoCelle()->Count();
    if (count <= kMaxCellsInBox)
        return;
    const std::string cells = std::to_string(count) + " cells";
    const std::string most = ", more than the " + report::withThousands(kMaxCellsInBox)
                             + " that one box can hold in the export. Export a smaller part of it.";
    if (!frame.cell->isBordered())
        throw report::OverflowError("Overflow: the report holds " + cells + " outside its boxes" + most);
    if (frame.topLine > 0)
        throw report::OverflowError("Overflow: the box on line " + std::to_string(frame.topLine)
                                    + " of the report holds " + cells + most);
    throw report::OverflowError("Overflow: a box of the report holds " + cells + most);
}

// Sorts the box's sub-cells and lists them in the order they are placed.
void start(Frame &frame)
{
    frame.started = true;
    checkCellCount(frame);
    frame.cell->SortCells();
    report::SottoCelle &sorted = *frame.cell->SottoCelle();
    frame.members.reserve(static_cast<std::size_t>(sorted.Count()));
    for (std::int32_t i = 1; i <= sorted.Count(); ++i)
        frame.members.push_back(&sorted.Item(i));
    // Only band 0 can split (its line 1 cells from those below), so a stable sort by sheet band
    // keeps the reading order of each band.
    const auto byBand = [](const CCella *a, const CCella *b) { return sheetBand(*a) < sheetBand(*b); };
    if (!std::is_sorted(frame.members.begin(), frame.members.end(), byBand))
        std::stable_sort(frame.members.begin(), frame.members.end(), byBand);
}

// Places the next member's band: a new band goes to its row, or below everything the bands above
// took when that row is already taken.
void enterBand(Frame &frame, std::int32_t band)
{
    if (frame.band == band)
        return;
    if (frame.band)
        frame.freeRow = std::max(frame.freeRow, frame.bandEnd);
    std::int32_t row = checked16(static_cast<long long>(frame.startRow) + band + frame.shift, "worksheet row");
    if (frame.band && row < frame.freeRow) {
        frame.shift += frame.freeRow - row;
        row = frame.freeRow;
    }
    frame.band = band;
    frame.bandRow = row;
    frame.bandEnd = row + 1;
    frame.column = frame.startColumn;
}

// The member at the band's next column took `area`.
void advance(Frame &frame, const SheetArea &area)
{
    frame.bandEnd = std::max(frame.bandEnd, frame.bandRow + area.rows);
    frame.column += area.columns;
    frame.columnEnd = std::max(frame.columnEnd, frame.column);
}

} // namespace

SheetArea ExportExcel(CCella &cell, std::int16_t riga, std::int16_t colonna, Worksheet &xlSheet)
{
    std::vector<Frame> stack;
    stack.emplace_back(cell, riga, colonna, 0);
    SheetArea finished;
    while (!stack.empty()) {
        Frame &frame = stack.back();
        if (!frame.started) {
            start(frame);
            if (frame.members.empty()) {
                // A cell without sub-cells writes its own text, its column a real number.
                const std::int16_t row = checked16(frame.startRow + frame.cell->band(), "worksheet row");
                const double column = frame.startColumn + frame.cell->column() / 10.0;
                writeText(xlSheet, row, column, frame.cell->text());
                formatSheet(xlSheet);
                finished = SheetArea{1, 1};
                stack.pop_back();
                if (!stack.empty())
                    advance(stack.back(), finished);
                continue;
            }
        }
        if (frame.next == frame.members.size()) {
            formatSheet(xlSheet);
            finished = frame.area();
            stack.pop_back();
            if (!stack.empty())
                advance(stack.back(), finished);
            continue;
        }

        CCella &member = *frame.members[frame.next++];
        enterBand(frame, sheetBand(member));
        const std::int16_t row = static_cast<std::int16_t>(frame.bandRow);
        const std::int16_t column = checked16(frame.column, "worksheet column");
        if (isWalked(member)) {
            // The reference to `frame` is not used after this: the push may move the stack.
            stack.emplace_back(member, row, column, reportLine(frame, member));
            continue;
        }
        writeText(xlSheet, row, column, member.text());
        advance(frame, SheetArea{1, 1});
    }
    return finished;
}

} // namespace elvaro::excel
