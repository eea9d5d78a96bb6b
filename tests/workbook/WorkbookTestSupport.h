#pragma once

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
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

namespace elvaro::testing {

// Cells by their names as a sheet shows them: "B2" -> what it holds.
using Grid = std::map<std::string, std::string>;

// The bytes of a file; empty when it cannot be read.
inline std::string contentOf(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The permission bits of the file or folder at `path` (not of what a link points to); 0 when it is not there.
inline mode_t modeOf(const std::string &path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TemporaryFolder {
public:
    TemporaryFolder() : m_path(std::filesystem::temp_directory_path() / "elvaro-workbook-XXXXXX")
    {
        std::string pattern = m_path.string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary folder");
        m_path = pattern;
    }
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;
    ~TemporaryFolder() { std::filesystem::remove_all(m_path); }

    std::string file(const std::string &name) const { return (m_path / name).string(); }
    const std::filesystem::path &path() const { return m_path; }
    // The names in the folder, hidden ones included, in order.
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
// "selection", "merged", "columns", "widths") with its text, and each cell's value ("B2" -> "s
// \"text\"" or "n 12.5"), alignment and number format (for the cells not in General).
struct Readback {
    std::map<std::string, std::string> records;
    Grid cells, formats, numberFormats;
};

// What read_workbook.py prints for the workbook at `path`, given `options`.
inline std::string workbookReader(const std::string &path, const std::string &options = {})
{
    const std::string command =
        "/usr/bin/python3 '" ELVARO_TESTS_DIR "/workbook/read_workbook.py' " + options + " '" + path + "' 2>&1";
    std::FILE *pipe = ::popen(command.c_str(), "r");
    std::string output;
    char chunk[4096];
    for (std::size_t n; pipe && (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        output.append(chunk, n);
    if (const int status = pipe ? ::pclose(pipe) : -1; !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the workbook reader failed on " + path + ":\n" + output);
    return output;
}

// The sheet of the workbook at `path` as a spreadsheet shows its values, as CSV.
inline std::string shownSheet(const std::string &path)
{
    return workbookReader(path, "--shown");
}

inline Readback readWorkbook(const std::string &path)
{
    const std::string output = workbookReader(path);
    Readback result;
    std::map<std::string, Grid *> perCell = {
        {"cell", &result.cells}, {"format", &result.formats}, {"numfmt", &result.numberFormats}};
    std::istringstream lines(output);
    for (std::string kind, rest; lines >> kind && std::getline(lines >> std::ws, rest);) {
        const std::size_t space = rest.find(' ');
        if (perCell.contains(kind))
            (*perCell[kind])[rest.substr(0, space)] = rest.substr(space + 1);
        else
            result.records[kind] = rest;
    }
    return result;
}

} // namespace elvaro::testing
