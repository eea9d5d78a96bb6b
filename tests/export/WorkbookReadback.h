#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace elvaro::testing {

// What read_workbook.py (openpyxl) saw in an .xlsx file.
struct Readback {
    std::string sheets;
    std::string active;
    std::string selection;
    int merged = -1;
    std::vector<std::string> columns;
    std::map<std::string, std::string> cells;   // "B2" -> "s \"text\"" or "n 12.5"
    std::map<std::string, std::string> formats; // "B2" -> "left bottom wrap=0 ..."
};

inline constexpr const char *kUniformAlignment = "left bottom wrap=0 rotation=0 shrink=0 indent=0";

inline std::string shellQuoted(const std::string &text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// Reads the workbook back with the system's Python and openpyxl; throws when it cannot be read.
inline Readback readWorkbook(const std::string &path)
{
    const std::string command = "/usr/bin/python3 " + shellQuoted(std::string(ELVARO_TESTS_DIR) + "/export/read_workbook.py")
                                + " " + shellQuoted(path) + " 2>&1";
    std::FILE *pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot start the workbook reader");
    std::string output;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        output.append(chunk, n);
    const int status = ::pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the workbook reader failed on " + path + ":\n" + output);

    Readback result;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t space = line.find(' ');
        const std::string kind = line.substr(0, space);
        const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
        const std::size_t second = rest.find(' ');
        if (kind == "sheets")
            result.sheets = rest;
        else if (kind == "active")
            result.active = rest;
        else if (kind == "selection")
            result.selection = rest;
        else if (kind == "merged")
            result.merged = std::stoi(rest);
        else if (kind == "columns")
            result.columns.push_back(rest);
        else if (kind == "cell")
            result.cells[rest.substr(0, second)] = rest.substr(second + 1);
        else if (kind == "format")
            result.formats[rest.substr(0, second)] = rest.substr(second + 1);
    }
    return result;
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
    ~TemporaryFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

    std::string file(const std::string &name) const { return (m_path / name).string(); }
    const std::filesystem::path &path() const { return m_path; }

    // The names of the files in the folder, hidden ones included.
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

} // namespace elvaro::testing
