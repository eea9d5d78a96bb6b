#pragma once

#include "common/SilentReporter.h"
#include "export/Application.h"
#include "export/ExportExcel.h"
#include "export/Worksheet.h"
#include "report/CCella.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace elvaro::testing {

using report::CCella;
using Grid = std::map<std::string, std::string>;

// Appends a cell as the parser leaves a text run (or, with `box`, an empty box to fill) and
// returns the copy that the tree holds.
inline CCella &addCell(CCella &parent, const std::string &text, std::int16_t band, std::int16_t column,
                       bool box = false)
{
    CCella cell;
    cell.setContenuto(text);
    cell.setBordato(box);
    cell.setIndexRiga(band);
    cell.setIndexChar(column);
    report::SottoCelle &members = *parent.SottoCelle();
    members.AddC(cell);
    return members.Item(members.Count());
}

// Sets ExistSottoCelle and Contenuto of a filled box as the parser does: a container with two
// or more members; else the text of its single run, or blanks when its only member is a box.
inline void finishBox(CCella &box)
{
    const report::SottoCelle &members = *box.SottoCelle();
    box.ExistSottoCelle = members.Count() >= 2;
    if (members.Count() == 1)
        box.setContenuto(members.Item(1).Bordato() ? "     " : members.Item(1).Contenuto());
}

// A cell's name as a sheet shows it: row 2 of column 28 is "AB2".
inline std::string cellName(std::int32_t row, std::int32_t column)
{
    std::string name;
    for (; column > 0; column = (column - 1) / 26)
        name.insert(name.begin(), static_cast<char>('A' + (column - 1) % 26));
    return name + std::to_string(row);
}

// The sheet's cells as "B2" -> text.
inline Grid grid(const excel::Worksheet &sheet)
{
    Grid cells;
    for (const auto &[position, text] : sheet.values())
        cells[cellName(position.row, position.column)] = text;
    return cells;
}

// The cells of the report text parsed and laid into a fresh sheet from A1.
inline Grid exportedGrid(const std::string &text)
{
    CCella root;
    testing::SilentReporter quiet;
    root.newCella(text, quiet);
    excel::Application application;
    excel::Worksheet &sheet = application.Workbooks().Add().Sheets().Add();
    excel::ExportExcel(root, 1, 1, sheet);
    return grid(sheet);
}

// The bytes of a file; empty when it cannot be read.
inline std::string contentOf(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TemporaryFolder {
public:
    TemporaryFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "elvaro-export-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary folder");
        m_path = pattern;
    }
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;
    ~TemporaryFolder() { std::filesystem::remove_all(m_path); }

    std::string file(const std::string &name) const { return (m_path / name).string(); }
    const std::filesystem::path &path() const { return m_path; }
    std::vector<std::string> names() const
    {
        std::vector<std::string> found;
        for (const auto &entry : std::filesystem::directory_iterator(m_path))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }

private:
    std::filesystem::path m_path;
};

// What read_workbook.py (openpyxl) saw in an .xlsx file: each record kind ("sheets", "active",
// "selection", "merged", "columns", "widths") with its text, and each cell's value, alignment and number
// format.
struct Readback {
    std::map<std::string, std::string> records;
    Grid cells;         // "B2" -> "s \"text\"" or "n 12.5"
    Grid formats;       // "B2" -> "left bottom wrap=0 ..."
    Grid numberFormats; // "B2" -> "0.00", for the cells not in General
};

inline constexpr const char *kUniformAlignment = "left bottom wrap=0 rotation=0 shrink=0 indent=0";

inline Readback readWorkbook(const std::string &path)
{
    const std::string command = "/usr/bin/python3 '" ELVARO_TESTS_DIR "/export/read_workbook.py' '" + path + "' 2>&1";
    std::FILE *pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot start the workbook reader");
    std::string output;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        output.append(chunk, n);
    if (const int status = ::pclose(pipe); !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the workbook reader failed on " + path + ":\n" + output);

    Readback result;
    std::istringstream lines(output);
    for (std::string kind, rest; lines >> kind && std::getline(lines >> std::ws, rest);) {
        const std::size_t space = rest.find(' ');
        if (kind == "cell")
            result.cells[rest.substr(0, space)] = rest.substr(space + 1);
        else if (kind == "format")
            result.formats[rest.substr(0, space)] = rest.substr(space + 1);
        else if (kind == "numfmt")
            result.numberFormats[rest.substr(0, space)] = rest.substr(space + 1);
        else
            result.records[kind] = rest;
    }
    return result;
}

} // namespace elvaro::testing
