#include "ProgramRunner.h"

#include "common/Bytes.h"
#include "workbook/WorkbookTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace elvaro::testing {
namespace {

using elvaro::testing::bytes;

// A value as read_workbook.py prints it ("s \"text\"" with JSON escapes, or "n 21.5"), as shown.
std::string shown(const std::string &value)
{
    if (value.rfind("n ", 0) == 0)
        return value.substr(2);
    std::string text;
    for (std::size_t i = 3; i + 1 < value.size(); ++i) {
        if (value[i] != '\\') {
            text += value[i];
        } else if (value[++i] == 'u') {
            const unsigned code = static_cast<unsigned>(std::stoul(value.substr(i + 1, 4), nullptr, 16));
            i += 4;
            if (code < 0x80) {
                text += static_cast<char>(code);
            } else if (code < 0x800) {
                text += static_cast<char>(0xC0 | (code >> 6));
                text += static_cast<char>(0x80 | (code & 0x3F));
            } else {
                text += static_cast<char>(0xE0 | (code >> 12));
                text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                text += static_cast<char>(0x80 | (code & 0x3F));
            }
        } else {
            text += value[i];
        }
    }
    return text;
}

// The sheet read back, a line per row from row 1 and its cells from column A separated by "|",
// each as shown; trailing empty cells are left out.
std::string rowsOf(const Grid &cells)
{
    std::map<int, std::map<int, std::string>> rows;
    int lastRow = 0;
    for (const auto &[name, value] : cells) {
        std::size_t digits = name.find_first_of("0123456789");
        int column = 0;
        for (std::size_t i = 0; i < digits; ++i)
            column = column * 26 + (name[i] - 'A' + 1);
        const int row = std::stoi(name.substr(digits));
        rows[row][column] = shown(value);
        lastRow = std::max(lastRow, row);
    }
    std::string out;
    for (int row = 1; row <= lastRow; ++row) {
        std::string line;
        int column = 1;
        for (const auto &[at, text] : rows[row]) {
            for (; column < at; ++column)
                line += "|";
            line += text;
        }
        out += line + "\n";
    }
    return out;
}

struct GridCase {
    const char *name;
    std::string report;
    std::string sheet;         // rowsOf the workbook read back
    std::string messages = {}; // what convert says on standard error
};

class GridTest : public ::testing::TestWithParam<GridCase> {};

// Every value of the table is in the workbook, where the table shows it, and no border character.
TEST_P(GridTest, ConvertsCellForCell)
{
    TemporaryFolder folder;
    const Outcome outcome =
        runProgram({"convert", "-", "-o", "sheet.xlsx"}, {.folder = QString::fromStdString(folder.path().string()),
                                                          .input = QByteArray::fromStdString(GetParam().report)});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, GetParam().messages);
    EXPECT_EQ(rowsOf(readWorkbook(folder.file("sheet.xlsx")).cells), GetParam().sheet);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, GridTest,
    ::testing::Values(
        // Both tables of the issue that asked for grids: UTF-8 box drawing and ASCII with a double
        // header rule; the body's lines have no rule between them.
        GridCase{"Utf8Grid",
                 "┌──────────┬──────────┬──────────┐\n"
                 "│ Sensor   │ Setpoint │ Measured │\n"
                 "├──────────┼──────────┼──────────┤\n"
                 "│ T1 inlet │ +21.5    │ +21.3    │\n"
                 "│ T2 outlet│ +18.0    │ -0.4     │\n"
                 "└──────────┴──────────┴──────────┘\n",
                 "Sensor|Setpoint|Measured\nT1 inlet|21.5|21.3\nT2 outlet|18|-0.4\n"},
        GridCase{"AsciiGridWithADoubleHeaderRule",
                 "+----------+----------+----------+\r\n"
                 "| Sensor   | Setpoint | Measured |\r\n"
                 "+==========+==========+==========+\r\n"
                 "| T1 inlet | +21.5    | +21.3    |\r\n"
                 "| T2 outlet| +18.0    | -0.4     |\r\n"
                 "+----------+----------+----------+\r\n",
                 "Sensor|Setpoint|Measured\nT1 inlet|21.5|21.3\nT2 outlet|18|-0.4\n"},
        // The instrument's code page: a double-line frame with a title across the whole table.
        GridCase{"CodePage437GridWithATitleRow",
                 bytes({201, 205, 205, 205, 205, 205, 205, 205, 205, 205, 205, 205, 205, 205, 187, 13, 10,
                        186, ' ', 'U', 'm', 'i', 'd', 'i', 't', 133, ' ', 'r', 'e', 'l', ' ', 186, 13, 10,
                        204, 205, 205, 205, 205, 205, 203, 205, 205, 205, 205, 205, 205, 205, 185, 13, 10,
                        186, ' ', 'T', '1', ' ', ' ', 186, ' ', '+', '4', '5', '.', '2', ' ', 186, 13, 10,
                        186, ' ', 'T', '2', ' ', ' ', 179, ' ', '2', '1', 248, 'C', ' ', ' ', 186, 13, 10,
                        200, 205, 205, 205, 205, 205, 202, 205, 205, 205, 205, 205, 205, 205, 188, 13, 10}),
                 "Umidità rel\nT1|45.2\nT2|21°C\n"},
        // A docutils grid table: a cell spanning two of three columns, and cells spanning two rows,
        // which widen the rows they span when their lines are more.
        GridCase{"ColumnAndRowSpans",
                 "+------------+------------+-----------+\n"
                 "| Header 1   | Header 2   | Header 3  |\n"
                 "+============+============+===========+\n"
                 "| body row 1 | column 2   | column 3  |\n"
                 "+------------+------------+-----------+\n"
                 "| body row 2 | Cells may span columns.|\n"
                 "+------------+------------+-----------+\n"
                 "| body row 3 | Cells may  | - Cells   |\n"
                 "+------------+ span rows. | - contain |\n"
                 "| body row 4 |            | - blocks. |\n"
                 "+------------+------------+-----------+\n",
                 "Header 1|Header 2|Header 3\nbody row 1|column 2|column 3\nbody row 2|Cells may span columns.\n"
                 "body row 3|Cells may|- Cells\nbody row 4|span rows.|- contain\n||- blocks.\n"},
        // A grid beside text and beside a box with borders of its own, a box nested in a grid's cell,
        // and a grid whose last rule is missing: it says so once, as a box does.
        GridCase{"GridsAmongTextBoxesAndNestedBoxes",
                 "Pump  +-----+-----+  +------+\n"
                 "      | A   | B   |  | Temp |\n"
                 "      +-----+-----+  | 21.5 |\n"
                 "      | 1   | 2   |  |      |\n"
                 "      +-----+-----+  +------+\n"
                 "+------------+--------+\n"
                 "| Outer  x   | +----+ |\n"
                 "|            | | in | |\n"
                 "|            | +----+ |\n"
                 "+------------+--------+\n"
                 "| last       | row    |\n",
                 "Pump|A|B|Temp\n|1|2|21.5\nOuter|x|in\nlast||row\n", "Errore in riga 11, fine casella non trovata\n"},
        // Tables from other programs, one under the other: sqlite3's box mode, MySQL's, tabulate's
        // fancy grid (a rule under every row). A grid's bottom rule takes no row of the sheet.
        GridCase{"ProgramsTables",
                 "┌───────────┬──────────┐\n"
                 "│  Sensor   │ Measured │\n"
                 "├───────────┼──────────┤\n"
                 "│ T1 inlet  │ +21.3    │\n"
                 "│ Harold    │ Ω 12 °C  │\n"
                 "└───────────┴──────────┘\n"
                 "+----+-------+\n"
                 "| id | name  |\n"
                 "+----+-------+\n"
                 "|  1 | Harold|\n"
                 "+----+-------+\n"
                 "╒═══════════╤════════════╕\n"
                 "│ Sensor    │ Setpoint   │\n"
                 "╞═══════════╪════════════╡\n"
                 "│ T1 inlet  │ +21.5      │\n"
                 "├───────────┼────────────┤\n"
                 "│ T2 outlet │ +18.0      │\n"
                 "╘═══════════╧════════════╛\n",
                 "Sensor|Measured\nT1 inlet|21.3\nHarold|Ω 12 °C\nid|name\n1|Harold\nSensor|Setpoint\n"
                 "T1 inlet|21.5\nT2 outlet|18\n"},
        // Lines cut out of a table, and tables printed without a frame (psql, Markdown): one cell per
        // field, and the rules write nothing.
        GridCase{"LinesCutOutOfATable",
                 "| Sensor   | Setpoint | Measured |\r\n"
                 "+==========+==========+==========+\r\n"
                 "| T1 inlet | +21.5    | +21.3    |\r\n"
                 "| T2 outlet|          | -0.4     |\r\n"
                 "| Harold | cat\r\n"
                 " Sensor    | Setpoint\r\n"
                 "-----------+-----------\r\n"
                 " T1 inlet  | +21.5\r\n"
                 "| Sensor    | Setpoint   |\r\n"
                 "|:----------|-----------:|\r\n"
                 "| T2 outlet | -0.4       |\r\n",
                 "Sensor|Setpoint|Measured\nT1 inlet|21.5|21.3\nT2 outlet||-0.4\nHarold|cat\nSensor|Setpoint\n"
                 "T1 inlet|21.5\nSensor|Setpoint\nT2 outlet|-0.4\n"}),
    [](const ::testing::TestParamInfo<GridCase> &info) { return info.param.name; });

// tree shows a grid as a box whose members are its cells, each a box: IndexRiga its grid row,
// IndexChar the column of its left border counted from the grid's, Larghezza and Altezza its
// size with its borders and its lines.
TEST(GridTree, IsABoxOfCells)
{
    TemporaryFolder folder;
    const Outcome outcome =
        runProgram({"tree", "-"}, {.folder = QString::fromStdString(folder.path().string()),
                                   .input = "+----+-----+\n| a  | b   |\n+====+=====+\n| c  | d   |\n"
                                            "| e  | f   |\n+----+-----+\n"});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    std::string shape;
    for (std::size_t at = 0; (at = outcome.out.find("\"Bordato\": true", at)) != std::string::npos; ++at) {
        const std::size_t width = outcome.out.find("\"Larghezza\": ", at) + 13;
        const std::size_t band = outcome.out.find("\"IndexRiga\": ", at) + 13;
        const std::size_t column = outcome.out.find("\"IndexChar\": ", at) + 13;
        const std::size_t height = outcome.out.find("\"Altezza\": ", at) + 11;
        for (const std::size_t field : {band, column, width, height})
            shape += outcome.out.substr(field, outcome.out.find_first_of(",}", field) - field) + " ";
        shape += "/ ";
    }
    EXPECT_EQ(shape, "0 1 12 4 / 0 1 6 1 / 0 6 7 1 / 1 1 6 2 / 1 6 7 2 / ");
}

} // namespace
} // namespace elvaro::testing
