// The baseline of the convert benchmark: writes the cells listed in a cells.tsv file (see
// convert_prepare) into a sheet "Downloaded" of an .xlsx file with libxlsxwriter, straight from
// the list, with the same formats on the columns and on every cell that convert gives them: the
// alignment, and for numbers the number format of their printed form, made once per form.
#include <xlsxwriter.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

namespace {

std::string unescaped(const std::string &text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "Usage: xlsx_baseline CELLS.tsv OUTPUT.xlsx\n");
        return 2;
    }
    std::ifstream cells(argv[1], std::ios::binary);
    if (!cells) {
        std::fprintf(stderr, "xlsx_baseline: cannot read %s\n", argv[1]);
        return 1;
    }
    lxw_workbook *workbook = workbook_new(argv[2]);
    lxw_worksheet *sheet = workbook ? workbook_add_worksheet(workbook, "Downloaded") : nullptr;
    if (!sheet) {
        std::fprintf(stderr, "xlsx_baseline: cannot start the workbook\n");
        return 1;
    }
    lxw_format *format = workbook_add_format(workbook);
    format_set_align(format, LXW_ALIGN_LEFT);
    format_set_align(format, LXW_ALIGN_VERTICAL_BOTTOM);
    worksheet_set_column(sheet, 0, LXW_COL_MAX - 1, LXW_DEF_COL_WIDTH, format);

    std::map<std::string, lxw_format *> numberFormats;
    const auto formatFor = [&](const std::string &code) {
        if (code.empty())
            return format;
        lxw_format *&made = numberFormats[code];
        if (!made) {
            made = workbook_add_format(workbook);
            format_set_align(made, LXW_ALIGN_LEFT);
            format_set_align(made, LXW_ALIGN_VERTICAL_BOTTOM);
            format_set_num_format(made, code.c_str());
        }
        return made;
    };

    std::string line;
    while (std::getline(cells, line)) {
        const std::size_t first = line.find('\t');
        const std::size_t second = line.find('\t', first + 1);
        const std::size_t fourth = line.find('\t', second + 3);
        const auto row = static_cast<lxw_row_t>(std::strtol(line.c_str(), nullptr, 10) - 1);
        const auto column = static_cast<lxw_col_t>(std::strtol(line.c_str() + first + 1, nullptr, 10) - 1);
        const std::string code = line.substr(second + 3, fourth - second - 3);
        const std::string value = unescaped(line.substr(fourth + 1));
        const lxw_error error =
            line[second + 1] == 'n'
                ? worksheet_write_number(sheet, row, column, std::strtod(value.c_str(), nullptr), formatFor(code))
                : worksheet_write_string(sheet, row, column, value.c_str(), format);
        if (error != LXW_NO_ERROR) {
            std::fprintf(stderr, "xlsx_baseline: %s\n", lxw_strerror(error));
            return 1;
        }
    }
    const lxw_error closed = workbook_close(workbook);
    if (closed != LXW_NO_ERROR) {
        std::fprintf(stderr, "xlsx_baseline: %s\n", lxw_strerror(closed));
        return 1;
    }
    return 0;
}
