#include "workbook/WorkingFolder.h"

#include "workbook/FileError.h"
#include "workbook/StopSignalsHeld.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace elvaro::workbook {

WorkingFolder::WorkingFolder(const std::string &file)
{
    const std::filesystem::path target(file);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    std::string pattern = (folder / ".elvaro-q3-parts-XXXXXX").string();
    const StopSignalsHeld held;
    if (!::mkdtemp(pattern.data()))
        throw FileError("cannot make a working folder in " + folder.string(), errno);
    m_path = pattern;
    m_pending.emplace(m_path, PendingRemoval::Kind::Folder);
}

WorkingFolder::~WorkingFolder()
{
    // The writer removes its files as soon as it has opened them; a failure may leave one.
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

} // namespace elvaro::workbook
