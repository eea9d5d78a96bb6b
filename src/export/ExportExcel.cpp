#include "export/ExportExcel.h"

#include "export/Application.h"
#include "report/Int16.h"

#include <optional>
#include <string_view>
#include <vector>

namespace elvaro::excel {

namespace {

using report::CCella;
using report::checked16;

// One box being exported: where its band 0 and first column go, and how far its walk got.
struct Frame {
    Frame(CCella &box, std::int16_t row, std::int16_t column) : cell(&box), riga(row), colonna(column) {}

    CCella *cell;
    std::int16_t riga;
    std::int16_t colonna;
    bool sorted = false;
    std::int32_t next = 1;
    std::optional<std::int16_t> band;
    report::Int16 offset{"worksheet column offset"};
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
    const report::SottoCelle *members = cell.sottoCelleIfAny();
    return members && members->Count() == 1 && members->Item(1).Bordato();
}

// Writes a leaf's text trimmed of spaces; a separator or filler text is skipped, and the
// worksheet cell is not even addressed.
template <typename Column>
void writeText(Worksheet &sheet, std::int16_t row, Column column, const std::string &contenuto)
{
    if (CCella::SoloTrattini(contenuto))
        return;
    sheet.Cells().Item(row, column).setValue(trimSpaces(contenuto));
}

// Gives the whole sheet the uniform format and selects A1.
void formatSheet(Worksheet &sheet)
{
    sheet.Cells().Select();
    const Selection selection = sheet.Application().Selection();
    selection.setProperty("HorizontalAlignment", xlLeft);
    selection.setProperty("VerticalAlignment", xlBottom);
    selection.setProperty("WrapText", false);
    selection.setProperty("Orientation", std::int16_t{0});
    selection.setProperty("AddIndent", false);
    selection.setProperty("ShrinkToFit", false);
    selection.setProperty("MergeCells", false);
    sheet.Cells().Item(1, 1).Select();
}

} // namespace

void ExportExcel(CCella &cell, std::int16_t riga, std::int16_t colonna, Worksheet &xlSheet)
{
    std::vector<Frame> stack;
    stack.emplace_back(cell, riga, colonna);
    while (!stack.empty()) {
        Frame &frame = stack.back();
        if (!frame.sorted) {
            frame.cell->SortCells();
            frame.sorted = true;
            if (frame.cell->SottoCelle()->Count() == 0) {
                // A cell without sub-cells writes its own text, its column a real number.
                const std::int16_t row = checked16(frame.riga + frame.cell->IndexRiga(), "worksheet row");
                const double column = frame.colonna + frame.cell->IndexChar() / 10.0;
                writeText(xlSheet, row, column, frame.cell->Contenuto());
                formatSheet(xlSheet);
                stack.pop_back();
                continue;
            }
        }
        report::SottoCelle &members = *frame.cell->SottoCelle();
        if (frame.next > members.Count()) {
            formatSheet(xlSheet);
            stack.pop_back();
            continue;
        }

        CCella &member = members.Item(frame.next);
        ++frame.next;
        if (frame.band == member.IndexRiga()) {
            ++frame.offset;
        } else {
            frame.band = member.IndexRiga();
            frame.offset = 0;
        }
        const std::int16_t row = checked16(frame.riga + *frame.band, "worksheet row");
        const std::int16_t column = checked16(frame.colonna + frame.offset, "worksheet column");
        if (isWalked(member)) {
            // The reference to `frame` is not used after this: the push may move the stack.
            stack.emplace_back(member, row, column);
            continue;
        }
        writeText(xlSheet, row, column, member.Contenuto());
    }
}

} // namespace elvaro::excel
