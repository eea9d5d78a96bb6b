// Writes the inputs of the convert benchmark into a folder: report.txt, a generated instrument
// report of the given number of lines, and cells.tsv, the cells that converting it puts into the sheet, one per
// line as "row<TAB>column<TAB>n|s<TAB>number format<TAB>value" (the number format empty for General,
// texts with \\, \t, \n and \r escaped), for the baseline program that writes the same values
// with the same formats straight from that list.
#include "ReportGenerator.h"

#include "export/CellValue.h"
#include "export/ReportWorkbook.h"
#include "report/CCella.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <memory>
#include <string>
#include <utility>

namespace {

std::string escaped(std::string_view text)
{
    constexpr std::pair<char, const char *> kEscapes[] = {{'\\', "\\\\"}, {'\t', "\\t"}, {'\n', "\\n"}, {'\r', "\\r"}};
    std::string out;
    for (const char c : text) {
        const auto *escape =
            std::find_if(std::begin(kEscapes), std::end(kEscapes), [c](const auto &e) { return e.first == c; });
        if (escape == std::end(kEscapes))
            out += c;
        else
            out += escape->second;
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "Usage: convert_prepare FOLDER LINES\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int lines = std::atoi(argv[2]);
    const std::string report = elvaro::bench::generateReport(lines);
    std::ofstream(folder + "/report.txt", std::ios::binary) << report;

    std::unique_ptr<elvaro::excel::ReportWorkbook> book;
    try {
        elvaro::report::SilentReporter reporter;
        book = std::make_unique<elvaro::excel::ReportWorkbook>(report, reporter);
    } catch (const std::exception &error) {
        std::printf("report: %d lines, %zu bytes: cannot be converted: %s\n", lines, report.size(), error.what());
        return 1;
    }
    const elvaro::excel::Worksheet &sheet = book->sheet();

    std::ofstream cells(folder + "/cells.tsv", std::ios::binary);
    for (const auto &[position, text] : sheet.values()) {
        const bool number = elvaro::excel::plainNumber(text).has_value();
        cells << position.row << '\t' << position.column << '\t' << (number ? 'n' : 's') << '\t'
              << (number ? elvaro::excel::printedNumberFormat(text) : std::string()) << '\t' << escaped(text) << '\n';
    }
    if (!cells.flush()) {
        std::fprintf(stderr, "convert_prepare: cannot write %s/cells.tsv\n", folder.c_str());
        return 1;
    }
    std::printf("report: %d lines, %zu bytes; sheet: %zu cells\n", lines, report.size(), sheet.values().size());
    return 0;
}
