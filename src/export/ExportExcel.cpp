#include "export/ExportExcel.h"

#include "report/Int16.h"
#include "report/Thousands.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
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

// Where the cells of a grid go, from the grid's top-left corner, and what the grid takes.
struct GridLayout {
    std::vector<std::pair<std::int32_t, std::int32_t>> offsets; // rows and columns, one per member
    SheetArea area;
};

// The layouts of the grids met so far: a grid inside a grid's cell is measured once.
using GridLayouts = std::unordered_map<const CCella *, GridLayout>;

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
    const GridLayout *grid = nullptr; // the places of the members when the box is a grid

    std::optional<std::int32_t> band; // the band being placed
    std::int32_t shift = 0;           // rows the bands were moved down so far
    std::int32_t bandRow = 0;         // the row of the band being placed
    std::int32_t bandEnd = 0;         // the first row below everything the band took
    std::int32_t column = 0;          // the next free column of the band
    std::int32_t freeRow;             // the first row below every band placed before
    std::int32_t columnEnd;           // the first column right of everything written

    SheetArea area() const
    {
        if (grid)
            return grid->area;
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

SheetArea walk(CCella &cell, std::int16_t riga, std::int16_t colonna, Worksheet *xlSheet, GridLayouts &layouts);

// The rows and columns a member of a grid takes.
SheetArea measure(CCella &member, GridLayouts &layouts)
{
    if (!isWalked(member))
        return SheetArea{1, 1};
    return walk(member, 1, 1, nullptr, layouts);
}

// Adds `missing` to the last of `count` sizes from `first` when together they are smaller than
// `needed`: a cell that spans several grid columns or rows fits in them.
void widen(std::vector<std::int32_t> &sizes, std::size_t first, std::size_t count, std::int32_t needed)
{
    std::int32_t total = 0;
    for (std::size_t i = first; i < first + count; ++i)
        total += sizes[i];
    if (total < needed)
        sizes[first + count - 1] += needed - total;
}

// A grid is a table: every cell of a grid column starts in the same sheet column, as wide as the
// widest cell of that column takes, and every cell of a grid row on the same sheet row, as high as
// the highest. A cell that spans columns or rows stands in the first of them and widens the last
// when they are too small for it.
const GridLayout &layOutGrid(const CCella &grid, const std::vector<CCella *> &members, GridLayouts &layouts)
{
    if (const auto found = layouts.find(&grid); found != layouts.end())
        return found->second;

    std::size_t columnCount = 0;
    std::size_t rowCount = 0;
    std::vector<SheetArea> areas;
    areas.reserve(members.size());
    for (CCella *member : members) {
        const report::GridPlace &place = member->gridPlace();
        columnCount = std::max(columnCount, static_cast<std::size_t>(place.column + place.columns));
        rowCount = std::max(rowCount, static_cast<std::size_t>(place.row + place.rows));
        areas.push_back(measure(*member, layouts));
    }
    std::vector<std::int32_t> widths(columnCount, 0);
    std::vector<std::int32_t> heights(rowCount, 0);
    for (std::size_t i = 0; i < members.size(); ++i) {
        const report::GridPlace &place = members[i]->gridPlace();
        if (place.columns == 1)
            widths[static_cast<std::size_t>(place.column)] =
                std::max(widths[static_cast<std::size_t>(place.column)], areas[i].columns);
        if (place.rows == 1)
            heights[static_cast<std::size_t>(place.row)] =
                std::max(heights[static_cast<std::size_t>(place.row)], areas[i].rows);
    }
    // Narrow spans first, so that a wide one sees the columns the narrow ones needed.
    std::vector<std::size_t> spanning;
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (members[i]->gridPlace().columns > 1 || members[i]->gridPlace().rows > 1)
            spanning.push_back(i);
    }
    std::stable_sort(spanning.begin(), spanning.end(), [&members](std::size_t a, std::size_t b) {
        const report::GridPlace &first = members[a]->gridPlace();
        const report::GridPlace &second = members[b]->gridPlace();
        return first.columns + first.rows < second.columns + second.rows;
    });
    for (const std::size_t i : spanning) {
        const report::GridPlace &place = members[i]->gridPlace();
        widen(widths, static_cast<std::size_t>(place.column), static_cast<std::size_t>(place.columns),
              areas[i].columns);
        widen(heights, static_cast<std::size_t>(place.row), static_cast<std::size_t>(place.rows), areas[i].rows);
    }

    std::vector<std::int32_t> columnStarts(columnCount + 1, 0);
    for (std::size_t c = 0; c < columnCount; ++c)
        columnStarts[c + 1] = columnStarts[c] + widths[c];
    std::vector<std::int32_t> rowStarts(rowCount + 1, 0);
    for (std::size_t r = 0; r < rowCount; ++r)
        rowStarts[r + 1] = rowStarts[r] + heights[r];

    GridLayout layout;
    layout.offsets.reserve(members.size());
    for (CCella *member : members) {
        const report::GridPlace &place = member->gridPlace();
        layout.offsets.emplace_back(rowStarts[static_cast<std::size_t>(place.row)],
                                    columnStarts[static_cast<std::size_t>(place.column)]);
    }
    layout.area = SheetArea{std::max(rowStarts.back(), 1), std::max(columnStarts.back(), 1)};
    return layouts.emplace(&grid, std::move(layout)).first->second;
}

// Sorts the box's sub-cells and lists them in the order they are placed.
void start(Frame &frame, GridLayouts &layouts)
{
    frame.started = true;
    // A grid's cells are in reading order, row by row, as the parser found them, and a grid holds
    // as many of them as its table has.
    if (!frame.cell->isGrid()) {
        checkCellCount(frame);
        frame.cell->SortCells();
    }
    report::SottoCelle &sorted = *frame.cell->SottoCelle();
    frame.members.reserve(static_cast<std::size_t>(sorted.Count()));
    for (std::int32_t i = 1; i <= sorted.Count(); ++i)
        frame.members.push_back(&sorted.Item(i));
    if (frame.cell->isGrid()) {
        frame.grid = &layOutGrid(*frame.cell, frame.members, layouts);
        return;
    }
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

// The walk of ExportExcel. Without a sheet it writes nothing and only measures what the cell takes.
SheetArea walk(CCella &cell, std::int16_t riga, std::int16_t colonna, Worksheet *xlSheet, GridLayouts &layouts)
{
    std::vector<Frame> stack;
    stack.emplace_back(cell, riga, colonna, 0);
    SheetArea finished;
    while (!stack.empty()) {
        Frame &frame = stack.back();
        if (!frame.started) {
            start(frame, layouts);
            if (frame.members.empty()) {
                // A cell without sub-cells writes its own text, its column a real number.
                const std::int16_t row = checked16(frame.startRow + frame.cell->band(), "worksheet row");
                const double column = frame.startColumn + frame.cell->column() / 10.0;
                if (xlSheet) {
                    writeText(*xlSheet, row, column, frame.cell->text());
                    formatSheet(*xlSheet);
                }
                finished = SheetArea{1, 1};
                stack.pop_back();
                if (!stack.empty())
                    advance(stack.back(), finished);
                continue;
            }
        }
        if (frame.next == frame.members.size()) {
            if (xlSheet)
                formatSheet(*xlSheet);
            finished = frame.area();
            stack.pop_back();
            if (!stack.empty())
                advance(stack.back(), finished);
            continue;
        }

        const std::size_t index = frame.next++;
        CCella &member = *frame.members[index];
        std::int16_t row = 0;
        std::int16_t column = 0;
        if (frame.grid) {
            const auto [rowOffset, columnOffset] = frame.grid->offsets[index];
            row = checked16(frame.startRow + rowOffset, "worksheet row");
            column = checked16(frame.startColumn + columnOffset, "worksheet column");
        } else {
            enterBand(frame, sheetBand(member));
            row = static_cast<std::int16_t>(frame.bandRow);
            column = checked16(frame.column, "worksheet column");
        }
        if (isWalked(member)) {
            // The reference to `frame` is not used after this: the push may move the stack.
            stack.emplace_back(member, row, column, reportLine(frame, member));
            continue;
        }
        if (xlSheet)
            writeText(*xlSheet, row, column, member.text());
        advance(frame, SheetArea{1, 1});
    }
    return finished;
}

} // namespace

SheetArea ExportExcel(CCella &cell, std::int16_t riga, std::int16_t colonna, Worksheet &xlSheet)
{
    GridLayouts layouts;
    return walk(cell, riga, colonna, &xlSheet, layouts);
}

} // namespace elvaro::excel
