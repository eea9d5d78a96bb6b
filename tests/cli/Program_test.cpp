#include "ProgramRunner.h"
#include "common/Bytes.h"
#include "serial/PseudoTerminal.h"
#include "simulator/SampleReport.h"
#include "workbook/WorkbookTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QRegularExpression>

#include <algorithm>
#include <fstream>
#include <regex>

namespace elvaro::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

std::string sampleFile(const std::string &name)
{
    return fileContents(QString::fromStdString(ELVARO_SAMPLES_DIR "/" + name)).toStdString();
}

const std::map<QString, QString> kNoDisplay = {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}};
const std::map<QString, QString> kDeadDisplay = {
    {"DISPLAY", ":9999"}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", "xcb"}};
const std::string kWithoutDisplay = ", so the window cannot be shown; the commands tree, convert, capture and "
                                    "simulate work without a display (see 'elvaro-q3 --help').\n";

// elvaro-q3 run in a folder of its own, with a serial line for the commands that need one.
class Commands : public ::testing::Test {
protected:
    void write(const std::string &name, const std::string &content)
    {
        std::ofstream(folder.file(name), std::ios::binary) << content;
    }
    std::string contentOf(const std::string &name)
    {
        return fileContents(QString::fromStdString(folder.file(name))).toStdString();
    }
    Outcome run(const std::string &commandLine, const std::string &input = {}, Launch launch = {})
    {
        launch.folder = QString::fromStdString(folder.path().string());
        launch.input = QByteArray::fromStdString(input);
        return runProgram(commandLine, launch);
    }

    void SetUp() override { ASSERT_TRUE(line.open()) << line.errorString().toStdString(); }

    TemporaryFolder folder;
    serial::PseudoTerminal line;
};

// Reports as instruments and other programs write them, grids among them, through standard input
// into the sheet's values, in the CSV and in the workbook read back: every value kept once, where
// the report shows it, one column for each character, no border character.
TEST_F(Commands, EveryValueReachesTheSheet)
{
    struct Case {
        const char *name;
        std::string options;
        std::string report;
        std::string csv;
        std::string err = {};
    };
    const Case cases[] = {
        {"Demo", "", simulator::sampleReport().toStdString(),
         "ELVARO Q3 CONTROLLER,REPORT N. 0107,,\r\nDate 06/12/2026,Time 09:15,Line 2,\r\n,,,\r\n"
         "Sensor,Setpoint,Measured,\r\nT1 inlet,+21.5,+21.3,\r\nT2 outlet,+18.0,-0.4,\r\nT3 return,+40.0,+39.8,\r\n"
         ",,,\r\nCycle summary,,,\r\nPressure,+1.25 bar,,\r\nFlow,-3.0 l/min,,\r\nCycles,12,Faults,0\r\n"
         "Result,PASSED,Operator,________\r\n"},
        // The right border of the "Alarms" line stands one column early, inside the box: it is text there.
        {"Boiler", "", sampleFile("boiler-report.txt"),
         "ELVARO Q3 CONTROLLER,REPORT N. 0412,,\r\nDate 06/12/2026,Time 10:41,,\r\n,,,\r\nZone,Setpoint,Measured,\r\n"
         "Boiler 1,+85.0,+84.6,\r\nBoiler 2,+85.0,-2.5,\r\n,,,\r\nAlarms,|,,\r\nLow water,0 events,,\r\n"
         "Overheat,2 events,,\r\nOperator,M. Rossi,Signature,________\r\n"},
        {"PressureTest", "", sampleFile("pressure-test.txt"),
         "LINE 3 PRESSURE TEST,,\r\nBar,Min,Max\r\n12.5,11.9,13.1\r\nResult,PASSED,Drift +0.4\r\n"},
        // Code page 437: "à" 133, "°" 248, "²" 253, "µ" 230, "±" 241, "ò" 149; a box below the text.
        {"CodePage437", "",
         "Umidit" + bytes({133}) + " relativa  +45.2 %\r\nTemp 21.5 " + bytes({248}) + "C  Area 3 m" + bytes({253})
             + "  " + bytes({230}) + "S/cm  " + bytes({241}) + "0.2\r\n" + bytes({218}) + repeated(8, bytes({196}))
             + bytes({191}) + "\r\n" + bytes({179}) + " Niccol" + bytes({149, 179}) + "\r\n" + bytes({192})
             + repeated(8, bytes({196})) + bytes({217}) + "\r\n",
         "Umidità relativa,+45.2 %,,\r\nTemp 21.5 °C,Area 3 m²,µS/cm,±0.2\r\nNiccolò,,,\r\n"},
        {"SignedNumbersInText", "", "Drift +0.4   Offset +0.1\r\nT1  +21.5  +21.3\r\n",
         "Drift +0.4,Offset +0.1,\r\nT1,+21.5,+21.3\r\n"},
        // Double lines and mixed corners side by side.
        {"DoubleLineBoxes", "",
         bytes({201}) + repeated(10, bytes({205})) + bytes({187}) + " " + bytes({213}) + repeated(6, bytes({205}))
             + bytes({184}) + "\r\n" + bytes({186}) + " T1 inlet " + bytes({186}) + " " + bytes({179}) + " +21.5"
             + bytes({179}) + "\r\n" + bytes({200}) + repeated(10, bytes({205})) + bytes({188}) + " " + bytes({212})
             + repeated(6, bytes({205})) + bytes({190}) + "\r\n",
         "T1 inlet,+21.5\r\n"},
        // UTF-8 from another program: "°C" is one column, so the right-hand box stays in its place.
        {"Utf8Boxes", "",
         "┌─────────┐ ┌────────┐\n│ T 21 °C │ │ ±0.2 Ω │\n│ T 22 °C │ │ ±0.3 Ω │\n└─────────┘ └────────┘\n"
         "════════════════════\n",
         "T 21 °C,±0.2 Ω\r\nT 22 °C,±0.3 Ω\r\n"},
        {"SeparatorsWriteNothing", "", "A  B\r\n== -- ==\r\nC  D\r\n", "A,B\r\n,\r\nC,D\r\n"},
        // The box keeps every line below its top border; the missing border is told, the rest converted.
        {"MissingBorder", "", "Zone  0012\r\n+------+\r\n| ab   |\r\n| cd   |\r\n", "Zone,0012\r\nab,\r\ncd,\r\n",
         "Errore in riga 4, fine casella non trovata\n"},
        {"NoBom", "--no-bom", "Temp  21.5\r\n", "Temp,21.5\r\n"},
        // "é" in UTF-8 is two bytes, which code page 437 reads as two characters.
        {"ForcedUtf8", "--no-bom --encoding utf-8", "caf\xC3\xA9\r\n", "café\r\n"},
        {"ForcedCodePage", "--no-bom --encoding=cp437", "caf\xC3\xA9\r\n", "caf+⌐\r\n"},
        // Every line of a report at the line limit has a row of its own.
        {"LongestReport", "--no-bom", repeated(32766, "7\r\n"), repeated(32766, "7\r\n")},
        // Both tables of the issue that asked for grids: UTF-8 box drawing and ASCII with a double
        // header rule; the body's lines have no rule between them.
        {"Utf8Grid", "",
         "┌──────────┬──────────┬──────────┐\n"
         "│ Sensor   │ Setpoint │ Measured │\n"
         "├──────────┼──────────┼──────────┤\n"
         "│ T1 inlet │ +21.5    │ +21.3    │\n"
         "│ T2 outlet│ +18.0    │ -0.4     │\n"
         "└──────────┴──────────┴──────────┘\n",
         "Sensor,Setpoint,Measured\r\nT1 inlet,+21.5,+21.3\r\nT2 outlet,+18.0,-0.4\r\n"},
        {"AsciiGridWithADoubleHeaderRule", "",
         "+----------+----------+----------+\r\n"
         "| Sensor   | Setpoint | Measured |\r\n"
         "+==========+==========+==========+\r\n"
         "| T1 inlet | +21.5    | +21.3    |\r\n"
         "| T2 outlet| +18.0    | -0.4     |\r\n"
         "+----------+----------+----------+\r\n",
         "Sensor,Setpoint,Measured\r\nT1 inlet,+21.5,+21.3\r\nT2 outlet,+18.0,-0.4\r\n"},
        // The instrument's code page: a double-line frame with a title across the whole table.
        {"CodePage437GridWithATitleRow", "",
         bytes({201, 205, 205, 205, 205, 205, 205, 205, 205, 205, 205, 205, 205, 205, 187, 13,  10,  186, ' ', 'U', 'm',
                'i', 'd', 'i', 't', 133, ' ', 'r', 'e', 'l', ' ', 186, 13,  10,  204, 205, 205, 205, 205, 205, 203, 205,
                205, 205, 205, 205, 205, 205, 185, 13,  10,  186, ' ', 'T', '1', ' ', ' ', 186, ' ', '+', '4', '5', '.',
                '2', ' ', 186, 13,  10,  186, ' ', 'T', '2', ' ', ' ', 179, ' ', '2', '1', 248, 'C', ' ', ' ', 186, 13,
                10,  200, 205, 205, 205, 205, 205, 202, 205, 205, 205, 205, 205, 205, 205, 188, 13,  10}),
         "Umidità rel,\r\nT1,+45.2\r\nT2,21°C\r\n"},
        // A docutils grid table: a cell spanning two of three columns, and cells spanning two rows,
        // which widen the rows they span when their lines are more.
        {"ColumnAndRowSpans", "",
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
         "Header 1,Header 2,Header 3\r\nbody row 1,column 2,column 3\r\nbody row 2,Cells may span columns.,\r\nbody "
         "row 3,Cells may,- Cells\r\nbody row 4,span rows.,- contain\r\n,,- blocks.\r\n"},
        // A grid beside text and beside a box with borders of its own, a box nested in a grid's cell,
        // and a grid whose last rule is missing: it says so once, as a box does.
        {"GridsAmongTextBoxesAndNestedBoxes", "",
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
         "Pump,A,B,Temp\r\n,1,2,21.5\r\nOuter,x,in,\r\nlast,,row,\r\n",
         "Errore in riga 11, fine casella non trovata\n"},
        // Tables from other programs, one under the other: sqlite3's box mode, MySQL's, tabulate's
        // fancy grid (a rule under every row). A grid's bottom rule takes no row of the sheet.
        {"ProgramsTables", "",
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
         "Sensor,Measured\r\nT1 inlet,+21.3\r\nHarold,Ω 12 °C\r\nid,name\r\n1,Harold\r\nSensor,Setpoint\r\nT1 "
         "inlet,+21.5\r\nT2 outlet,+18.0\r\n"},
        // Lines cut out of a table, and tables printed without a frame (psql, Markdown): one cell per
        // field, and the rules write nothing.
        {"LinesCutOutOfATable", "",
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
         "Sensor,Setpoint,Measured\r\nT1 inlet,+21.5,+21.3\r\nT2 outlet,,-0.4\r\nHarold,cat,\r\nSensor,Setpoint,\r\nT1 "
         "inlet,+21.5,\r\nSensor,Setpoint,\r\nT2 outlet,-0.4,\r\n"},
    };
    for (const Case &c : cases) {
        const Outcome outcome = run("convert - --output Sheet.CSV " + c.options, c.report);
        EXPECT_EQ(outcome.status, 0) << c.name << ": " << outcome.err;
        EXPECT_EQ(outcome.err, c.err) << c.name;
        const std::string mark = c.options.starts_with("--no-bom") ? "" : "\xEF\xBB\xBF";
        EXPECT_EQ(contentOf("Sheet.CSV"), mark + c.csv) << c.name;
        // The workbook read back shows the same cells.
        if (c.report.size() < 10'000) {
            ASSERT_EQ(run("convert - -o Sheet.xlsx " + c.options, c.report).status, 0) << c.name;
            EXPECT_EQ(shownSheet(folder.file("Sheet.xlsx")), c.csv) << c.name;
        }
    }
}

TEST_F(Commands, AReportBecomesAWorkbookNamedAfterIt)
{
    write("report.txt", sampleFile("worked-example.txt"));
    write("report.xlsx", "previous");
    const Outcome outcome = run("convert report.txt");
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    const Readback book = readWorkbook(folder.file("report.xlsx"));
    EXPECT_EQ(book.records.at("sheets"), R"(["Downloaded"])");
    EXPECT_EQ(book.records.at("selection"), "A1 A1");
    EXPECT_EQ(book.cells, (Grid{{"A1", R"(s "REPORT")"},
                                {"B1", R"(s "N. 12")"},
                                {"A2", R"(s "Temp")"},
                                {"B2", "n 21.5"},
                                {"A4", R"(s "OK")"},
                                {"B4", R"(s "done")"}}));
    EXPECT_THAT(folder.names(), ElementsAre("report.txt", "report.xlsx"));
}

// The JSON of the cells, text beyond ASCII as it is, control characters escaped; the outer box is
// reported before its inner text, with the nested box, is parsed. A grid is a box whose members
// are its cells, each a box: IndexRiga its grid row, IndexChar the column of its left border
// counted from the grid's, Larghezza and Altezza its size with its borders and its lines.
TEST_F(Commands, TreePrintsTheCellsAsJsonAndTheMissingBordersInOrder)
{
    write("report.txt", sampleFile("worked-example.txt"));
    const Outcome file = run("tree report.txt");
    EXPECT_EQ(file.status, 0) << file.err;
    EXPECT_THAT(file.out, HasSubstr(R"({"ExistSottoCelle": false, "Contenuto": " 21.5 ", "Bordato": true, )"
                                    R"("Larghezza": 8, "IndexRiga": 0, "IndexChar": 11, "Altezza": 1, )"
                                    R"("SottoCelle": [)"));
    EXPECT_THAT(file.out, ::testing::EndsWith("]}\n"));
    const Outcome input = run("tree", "a\"b\\c\x0c  21.5 °C Ω\x7f\n+------+\n| +--+ |\n| |a | |\n");
    EXPECT_EQ(input.status, 0);
    EXPECT_THAT(input.out, HasSubstr(R"("Contenuto": "a\"b\\c\u000c  ")"));
    EXPECT_THAT(input.out, HasSubstr(R"("Contenuto": "21.5 °C Ω\u007f")"));
    EXPECT_EQ(input.err, "Errore in riga 4, fine casella non trovata\nErrore in riga 2, fine casella non trovata\n");
    const Outcome grid =
        run("tree -", "+----+-----+\n| a  | b   |\n+====+=====+\n| c  | d   |\n| e  | f   |\n+----+-----+\n");
    EXPECT_EQ(grid.status, 0) << grid.err;
    // The boxes as "band column width height /", in the order tree prints them.
    static const std::regex box(R"re("Bordato": true, "Larghezza": (\d+), "IndexRiga": (\d+), "IndexChar": (\d+), )re"
                                R"re("Altezza": (\d+))re");
    std::string shape;
    for (std::sregex_iterator at(grid.out.begin(), grid.out.end(), box), end; at != end; ++at)
        shape += (*at)[2].str() + " " + (*at)[3].str() + " " + (*at)[1].str() + " " + (*at)[4].str() + " / ";
    EXPECT_EQ(shape, "0 1 12 4 / 0 1 6 1 / 0 6 7 1 / 1 1 6 2 / 1 6 7 2 / ");
}

// Every answer and refusal as a user meets it, with no display and with one that cannot be
// opened: the exit code and standard error exactly (bad usage points to the help), standard output
// as a pattern, and no file written. Bad options are refused before any window.
TEST_F(Commands, AnswerAndRefuseWithoutAWindowAndWriteNothing)
{
    std::filesystem::create_directory(folder.file("folder.txt"));
    write("empty.txt", "");
    write("a.txt", "+---+\r\n| 1 |\r\n+---+\r\n");
    write("book.xlsx", "Temp  21.5\r\n");
    write("32767.txt", repeated(32767, "7\r\n"));
    // 40,000 cells outside any box, more than one box can hold.
    write("crowded.txt", repeated(4, repeated(10'000, "v  ") + "\r\n"));
    write("huge.txt", "");
    std::filesystem::resize_file(folder.file("huge.txt"), 100'000'000);
    write("earlier.txt", "earlier capture");
    const std::string tooLarge = "the report is larger than 64 MiB, the most this program reads; a report of the "
                                 "instrument is far smaller. Check that this is the right file, or cut it into smaller "
                                 "reports.";
    const std::string desktopHelp =
        "Usage: elvaro-q3 \\[--demo\\] \\[--port N=DEVICE\\]\\.\\.\\.\n       elvaro-q3 COMMAND \\[ARGS\\.\\.\\.\\]\n"
        "(.|\n)*  --port N=DEVICE  offer DEVICE as port N \\(1 to 16\\)(.|\n)*"
        "\n  tree (.|\n)*\n  convert (.|\n)*\n  capture (.|\n)*\n  simulate (.|\n)*";
    const std::string range = "the port number must be a whole number from 1 to 16.";
    const std::tuple<std::string, int, std::string, std::string> cases[] = {
        {"--help", 0, desktopHelp, ""},
        {"--demo --version", 0, "elvaro-q3 \\(Elvaro-Q3 V1b\\) [0-9]+\\.[0-9]+(\\.[0-9]+)*\n", ""},
        {"tree --help", 0, "Usage: elvaro-q3 tree \\[FILE\\|-\\] (.|\n)*", ""},
        // An answer ends the reading; an unknown option before it is refused.
        {"convert -h --colour", 0, "Usage: elvaro-q3 convert INPUT \\[-o OUTPUT\\] (.|\n)*", ""},
        {"capture --help", 0,
         "Usage: elvaro-q3 capture \\(--port N \\| --device PATH\\) \\[-o FILE\\] \\[--idle SECONDS\\]\n(.|\n)*", ""},
        {"simulate --help", 0, "Usage: elvaro-q3 simulate \\[REPORT\\] (.|\n)*", ""},
        {"--demo --colour", 2, "", ": unknown option '--colour'"},
        {"--colour --help", 2, "", ": unknown option '--colour'"},
        {"-platform", 2, "", ": -platform needs a value"},
        {"-reverse=yes", 2, "", ": unknown option '-reverse=yes'"},
        {"--demo=1", 2, "", ": --demo takes no value"},
        {"--demo r.txt", 2, "", ": unexpected argument 'r.txt'"},
        {"frobnicate --help", 2, "", ": unknown command 'frobnicate'"},
        {"--port=17=/dev/pts/1", 2, "", ": --port 17=/dev/pts/1: " + range},
        {"--port /dev/ttyUSB0", 2, "",
         ": --port expects N=DEVICE, for example --port 1=/dev/ttyUSB0; got \"/dev/ttyUSB0\"."},
        {"--port", 2, "", ": --port needs a value, for example --port 1=/dev/ttyUSB0"},
        {"--port 1=/dev/pts/1 --demo", 2, "",
         ": --demo offers the simulated instrument as port 1, which --port 1=DEVICE also names; give DEVICE another "
         "number or leave out --demo"},
        {"tree folder.txt", 1, "", " tree: folder.txt: Is a directory"},
        {"convert missing.txt -o out.xlsx", 1, "", " convert: missing.txt: No such file or directory"},
        {"convert empty.txt", 1, "", " convert: empty.txt: Empty String"},
        {"convert huge.txt", 1, "", " convert: huge.txt: " + tooLarge},
        {"convert book.xlsx", 1, "", " convert: book.xlsx: is the input itself; choose another OUTPUT with -o"},
        {"tree 32767.txt", 1, "",
         " tree: 32767.txt: Overflow: the report has more than 32,766 lines, the most one report can have. Export a "
         "smaller part of it."},
        {"convert crowded.txt", 1, "",
         " convert: crowded.txt: Overflow: the report holds 40000 cells outside its boxes, more than the 32,767 that "
         "one box can hold in the export. Export a smaller part of it."},
        {"convert - -o x.csv --encoding utf-8", 1, "",
         " convert: standard input: the report is not UTF-8: line 1 holds a byte that is no part of a UTF-8 "
         "character. Read it as the instrument's code page with --encoding cp437."},
        {"tree a b", 2, "", " tree: unexpected argument 'b'"},
        {"convert", 2, "", " convert: no INPUT given"},
        {"convert -x a.txt", 2, "", " convert: unknown option '-x'"},
        {"convert a.txt -o", 2, "", " convert: -o needs the name of the output file"},
        {"convert a.txt --output=", 2, "", " convert: OUTPUT is empty; give -o the name of the output file"},
        {"convert a.txt --output=a=b.pdf", 2, "", " convert: OUTPUT 'a=b.pdf' must end in .xlsx or .csv"},
        // A value is the next argument whatever it looks like; only long options take it after "=".
        {"convert - -o --no-bom", 2, "", " convert: OUTPUT '--no-bom' must end in .xlsx or .csv"},
        {"convert a.txt -o=out.csv", 2, "", " convert: unknown option '-o=out.csv'"},
        // Two dashes end the options.
        {"tree -- -x", 1, "", " tree: -x: No such file or directory"},
        {"convert -", 2, "", " convert: give -o OUTPUT when the report comes from standard input"},
        {"convert a.txt --encoding latin1", 2, "", " convert: --encoding expects cp437 or utf-8, not 'latin1'"},
        // DEVICE is a serial line.
        {"capture", 2, "", " capture: name the serial port with either --port N or --device PATH"},
        {"capture --port 17", 2, "", " capture: --port expects a port number from 1 to 16, not '17'"},
        {"capture --device /dev/ttyS0 --idle soon", 2, "",
         " capture: --idle expects a number of seconds above 0, not 'soon'"},
        {"capture --device /dev/ttyNOSUCH7 -o earlier.txt", 1, "",
         " capture: Cannot open /dev/ttyNOSUCH7: there is no such device. Check that the instrument's cable or USB "
         "adapter is "
         "plugged in and that this is the port it is connected to."},
        {"capture --device DEVICE -o missing/out.txt", 1, "",
         " capture: cannot write missing/out.txt: No such file or directory"},
        // The system says "No such file or directory" here too, of a folder that is there.
        {"capture --device DEVICE -o /proc/elvaro.csv", 1, "",
         " capture: cannot create /proc/elvaro.csv: the folder /proc is one of the system's own folders and takes no "
         "new "
         "files; choose another folder"},
        {"simulate --baud 0", 2, "", " simulate: --baud expects a whole number from 50 to 100000000, not '0'"},
        {"simulate --baud", 2, "", " simulate: --baud needs a whole number from 50 to 100000000"},
        {"simulate a.txt b.txt", 2, "", " simulate: only one REPORT file can be given; 'b.txt' is one too many"},
        {"simulate missing.txt", 1, "", " simulate: cannot read missing.txt: No such file or directory"},
        {"simulate empty.txt", 1, "", " simulate: empty.txt is empty: there is no report to send"},
        {"simulate /dev/zero", 1, "", " simulate: cannot read /dev/zero: " + tooLarge},
    };
    const std::vector<std::string> before = folder.names();
    for (const auto &environment : {kNoDisplay, kDeadDisplay}) {
        for (const auto &[commandLine, status, out, err] : cases) {
            const std::string args =
                std::regex_replace(commandLine, std::regex("DEVICE"), line.devicePath().toStdString());
            const Outcome outcome = run(args, "caf\x82\r\n", {.environment = environment});
            EXPECT_EQ(outcome.status, status) << commandLine << ": " << outcome.err;
            EXPECT_THAT(outcome.out, MatchesRegex(out)) << commandLine;
            const std::string command = err.starts_with(" ") ? err.substr(0, err.find(':')) : "";
            const std::string usage = status == 2 ? "\nRun 'elvaro-q3" + command + " --help' for usage." : "";
            EXPECT_EQ(outcome.err, err.empty() ? "" : "elvaro-q3" + err + usage + "\n") << commandLine;
        }
    }
    EXPECT_EQ(folder.names(), before);
    EXPECT_EQ(contentOf("earlier.txt"), "earlier capture");
    // A file that cannot be read even by root; the reason depends on the system.
    const Outcome memory = run("tree /proc/1/mem");
    EXPECT_EQ(memory.status, 1);
    EXPECT_THAT(memory.err, MatchesRegex("elvaro-q3 tree: /proc/1/mem: [^\n]+\n"));
    // simulate stops when it cannot print its device path: no program could find the instrument.
    const Outcome full = runProgram("simulate", {.outputTo = "/dev/full"});
    EXPECT_EQ(full.status, 1);
    EXPECT_THAT(full.err, MatchesRegex("elvaro-q3 simulate: cannot print the device path /dev/pts/[0-9]+ on standard "
                                       "output \\(No space left on device\\), so no program could find the "
                                       "instrument; it stops\n"));
    // Without a display, and with one that cannot be opened (not Qt's abort), the window says why.
    for (const std::string commandLine : {"--demo", "--port 2=/dev/null"}) {
        const Outcome run = runProgram(commandLine, {.environment = kNoDisplay});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err,
                  "elvaro-q3: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set)" + kWithoutDisplay);
    }
    const Outcome dead = runProgram("", {.environment = kDeadDisplay});
    EXPECT_EQ(dead.status, 1);
    EXPECT_THAT(dead.err, ::testing::EndsWith("\nelvaro-q3: the display could not be opened" + kWithoutDisplay));
}

// A write that cannot end, for a full disk or a stop signal in the middle of it (once the writer's
// working folder is there): the temporary files go, the previous output stays, and the exit status
// names the signal. Started with nohup, convert does not stop when its terminal goes away.
TEST_F(Commands, AnInterruptedWriteRemovesTheTemporaryFilesAndKeepsThePreviousOutput)
{
    // Large enough that writing its workbook takes a while: rows of eight boxes side by side.
    const std::string border = repeated(8, "+------+ ") + "\r\n";
    std::string report;
    for (int table = 0; table < 400; ++table) {
        report += border;
        for (int row = 0; row < 10; ++row) {
            for (int box = 0; box < 8; ++box)
                report += "| " + std::to_string((table * 7 + row * 3 + box) % 100) + ".5  | ";
            report += "\r\n";
        }
        report += border + "Zone " + std::to_string(table) + "  checked  OK\r\n";
    }
    write("report.txt", report);
    write("out.xlsx", "previous");
    const Outcome full = run("convert report.txt -o out.xlsx", {}, {.fileSizeLimit = 4096});
    EXPECT_EQ(full.status, 1);
    // One line of ours, none of the .xlsx writer's own.
    EXPECT_EQ(full.err, "elvaro-q3 convert: out.xlsx: cannot write the workbook: writing the file failed; the disk "
                        "may be full, or the file larger than the file-size limit of 4096 bytes (ulimit -f). Free "
                        "some space or raise the limit, then try again\n");
    EXPECT_THAT(folder.names(), ElementsAre("out.xlsx", "report.txt"));
    EXPECT_EQ(contentOf("out.xlsx"), "previous");
    for (const auto &[signal, ignored] : {std::pair{SIGINT, 0}, {SIGTERM, 0}, {SIGHUP, 0}, {SIGHUP, SIGHUP}}) {
        Command convert({"convert", "report.txt", "-o", "out.xlsx"},
                        {.folder = QString::fromStdString(folder.path().string()), .ignoredSignal = ignored});
        ASSERT_TRUE(waitUntil([&] {
            return std::ranges::any_of(folder.names(),
                                       [](const std::string &name) { return name.starts_with(".elvaro-q3-parts-"); });
        })) << "convert ended before it wrote the workbook";
        convert.signal(signal);
        EXPECT_EQ(convert.finish(), ignored ? 0 : -signal) << sigabbrev_np(signal);
        EXPECT_THAT(folder.names(), ElementsAre("out.xlsx", "report.txt"));
        EXPECT_EQ(contentOf("out.xlsx").substr(0, 4), ignored ? "PK\x03\x04" : "prev");
        write("out.xlsx", "previous");
    }
}

// A tree too large for the memory says so (random bytes are the fuzzer's).
TEST_F(Commands, ATreeTooLargeForTheMemoryEndsCleanly)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer reserves more address space than the limit";
#endif
    // 2,000,000 cells: their tree does not fit in 200 MB of address space.
    write("many.txt", repeated(200, repeated(10000, "a  ") + "\r\n"));
    const Outcome outcome = run("tree many.txt", {}, {.memoryLimit = 200u << 20});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "elvaro-q3 tree: many.txt: Not enough memory to print the tree of the report (6000400 "
                           "characters). Close other programs, or print the tree of a smaller part of it.\n");
}

// The commands without a serial line load no Qt at all, those on it no window library and no
// .xlsx writer; the desktop shows that the trace sees what is loaded. Each row: the libraries
// loaded, and after '!' the beginnings of names none loaded may have.
TEST_F(Commands, EachCommandLoadsOnlyTheLibrariesItNeeds)
{
    const std::string serialPart = "libQt6Core.so.6 libQt6SerialPort.so.6 !libQt6Gui !libQt6Widgets !libxlsxwriter";
    const std::pair<std::string, std::string> cases[] = {
        {"--version", "libxlsxwriter.so.4 !libQt6"},
        {"tree -", "!libQt6"},
        {"convert - -o out.xlsx", "libz.so.1 !libQt6"},
        {"simulate --help", serialPart},
        {"capture --help", serialPart},
        {"--demo", "libQt6Widgets.so.6"},
    };
    auto environment = kNoDisplay;
    environment["LD_DEBUG"] = "files";
    const std::string report = sampleFile("worked-example.txt");
    for (const auto &[commandLine, libraries] : cases) {
        // What the program doing the work (the entry, or the part it started in its place) loaded
        // lies between the last two "transferring control" lines of the dynamic loader's trace.
        const QString trace = QString::fromStdString(run(commandLine, report, {.environment = environment}).err);
        const qsizetype last = trace.lastIndexOf(u"transferring control");
        const qsizetype previous = last > 0 ? trace.lastIndexOf(u"transferring control", last - 1) : -1;
        static const QRegularExpression kLoaded(QStringLiteral("file=(?:[^ \\t]*/)?([^/ \\t]+)"));
        QStringList loaded;
        for (const QRegularExpressionMatch &match : kLoaded.globalMatch(trace.mid(previous + 1, last - previous - 1)))
            loaded += match.captured(1);
        EXPECT_FALSE(loaded.isEmpty()) << commandLine;
        for (const QString &library : QString::fromStdString(libraries).split(u' ')) {
            if (library.startsWith(u'!'))
                EXPECT_TRUE(loaded.filter(QRegularExpression("^" + library.mid(1))).isEmpty())
                    << commandLine << library.toStdString();
            else
                EXPECT_TRUE(loaded.contains(library)) << commandLine << " does not load " << library.toStdString();
        }
    }
}

TEST_F(Commands, AMissingPartIsNamedWithTheAdviceToReinstall)
{
    const QString entry = QString::fromStdString(folder.file("elvaro-q3"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ELVARO_EXECUTABLE), entry));
    for (const std::string command : {"capture", "--demo"}) {
        const Outcome run = runProgram(command, {.program = entry});
        EXPECT_EQ(run.status, 1);
        EXPECT_THAT(run.err, MatchesRegex("elvaro-q3: .*/elvaro-q3-(serial|desktop): cannot be started: No such file "
                                          "or directory\\. This part of elvaro-q3 is missing or damaged; reinstall "
                                          "the program\\.\n"));
    }
}

// The manual page describes the commands and options --help lists, no more and no fewer: its
// OPTIONS, and one subsection of COMMANDS per command, named by its first word. Options are words
// that start with one or two dashes and a letter, not inside a word ("line-drawing", "Ctrl-C").
TEST_F(Commands, TheManualPageMatchesTheHelpOfTheProgramAndOfEachCommand)
{
    QString page = QString::fromUtf8(fileContents(QStringLiteral(ELVARO_MAN_PAGE)));
    ASSERT_FALSE(page.isEmpty());
    page.replace(QLatin1String("\\-"), QLatin1String("-")).remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")));
    const auto section = [&page](const char *name) {
        return page.section(QLatin1String("\n.SH ") + QLatin1String(name), 1).section(QLatin1String("\n.SH "), 0, 0);
    };
    std::map<std::string, QString> parts{{"", section("OPTIONS")}};
    for (const QString &part : section("COMMANDS").split(QLatin1String("\n.SS ")).mid(1))
        parts[QString(part).remove(u'"').section(u' ', 0, 0).toStdString()] = part;
    const auto optionsIn = [](const QString &text, bool withHelp) {
        static const QRegularExpression option(QStringLiteral("(?<![\\w-])--?[A-Za-z][\\w-]*"));
        std::set<std::string> found;
        for (const QRegularExpressionMatch &match : option.globalMatch(text))
            found.insert(match.captured().toStdString());
        // Every command takes -h and --help; the manual page says so once.
        if (!withHelp)
            std::erase_if(found, [](const std::string &o) { return o == "-h" || o == "--help"; });
        return found;
    };
    for (const std::string command : {"", "tree", "convert", "capture", "simulate"}) {
        const QString usage = QString::fromStdString(runProgram(command + " --help").out);
        EXPECT_EQ(optionsIn(parts[command], command.empty()), optionsIn(usage, command.empty())) << command;
        parts.erase(command);
    }
    EXPECT_TRUE(parts.empty()) << "the manual page describes a command --help does not list: " << parts.begin()->first;
}

} // namespace
} // namespace elvaro::testing
