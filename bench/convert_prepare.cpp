// Writes the inputs of one convert benchmark into a folder: NAME.txt, the report, and NAME.tsv,
// the cells that converting it puts into the sheet, one per line as "row<TAB>column<TAB>n|s<TAB>number format<TAB>value" (the number format empty for General,
// texts with \\, \t, \n and \r escaped), for the baseline program that writes the same values
// with the same formats straight from that list.
#include "ReportGenerator.h"

#include "export/ReportSheet.h"
#include "report/CCella.h"
#include "workbook/CellValue.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iterator>
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
    if (argc != 4) {
        std::fprintf(stderr, "Usage: convert_prepare FOLDER NAME (LINES | sparse:LINES | FILE)\n"
                             "LINES: the generated report of tables; sparse:LINES: a generated report of\n"
                             "few cells a line; FILE: a report file.\n");
        return 2;
    }
    const std::string folder = argv[1];
    const std::string name = argv[2];
    const std::string source = argv[3];
    std::string report;
    if (source.starts_with("sparse:")) {
        report = elvaro::bench::generateSparseReport(std::atoi(source.c_str() + 7));
    } else if (!source.empty() && source.find_first_not_of("0123456789") == std::string::npos) {
        report = elvaro::bench::generateReport(std::atoi(source.c_str()));
    } else {
        std::ifstream in(source, std::ios::binary);
        report.assign(std::istreambuf_iterator<char>(in), {});
    }
    const auto lines = std::count(report.begin(), report.end(), '\n');
    std::ofstream(folder + "/" + name + ".txt", std::ios::binary) << report;

    std::unique_ptr<elvaro::excel::ReportSheet> book;
    try {
        elvaro::bench::QuietReporter reporter;
        book = std::make_unique<elvaro::excel::ReportSheet>(report, reporter);
    } catch (const std::exception &error) {
        std::printf("%s: %ld lines, %zu bytes: cannot be converted: %s\n", name.c_str(), static_cast<long>(lines),
                    report.size(), error.what());
        return 1;
    }
    const elvaro::excel::Worksheet &sheet = book->sheet();

    std::ofstream cells(folder + "/" + name + ".tsv", std::ios::binary);
    for (const auto &[position, text] : sheet.values()) {
        const bool number = elvaro::workbook::plainNumber(text).has_value();
        cells << position.row << '\t' << position.column << '\t' << (number ? 'n' : 's') << '\t'
              << (number ? elvaro::workbook::numberFormatOf(elvaro::workbook::printedForm(text)) : std::string())
              << '\t' << escaped(text) << '\n';
    }
    if (!cells.flush()) {
        std::fprintf(stderr, "convert_prepare: cannot write %s/%s.tsv\n", folder.c_str(), name.c_str());
        return 1;
    }
    std::printf("%s: %ld lines, %zu bytes; sheet: %zu cells\n", name.c_str(), static_cast<long>(lines), report.size(),
                sheet.values().size());
    return 0;
}
