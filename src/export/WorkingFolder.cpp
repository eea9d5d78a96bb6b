#include "export/WorkingFolder.h"

#include "export/StopSignalsHeld.h"
#include "export/WorkbookError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace elvaro::excel {

WorkingFolder::WorkingFolder()
{
    std::error_code error;
    const std::filesystem::path parent = std::filesystem::temp_directory_path(error);
    if (error) {
        const char *variable = std::getenv("TMPDIR");
        throw WorkbookError(std::string("cannot use the temporary folder ") + (variable ? variable : "/tmp") + ": "
                            + error.message() + "; set TMPDIR to a folder that exists and can be written");
    }
    m_parent = parent.string();
    std::string pattern = (parent / "elvaro-q3-xlsx-XXXXXX").string();
    const StopSignalsHeld held;
    if (!::mkdtemp(pattern.data())) {
        throw WorkbookError("cannot make a working folder in the temporary folder " + m_parent + ": "
                            + std::strerror(errno) + "; free some space there or set TMPDIR to another folder");
    }
    m_path = pattern;
    m_pending.emplace(m_path, PendingRemoval::Kind::Folder);
}

WorkingFolder::~WorkingFolder()
{
    // The writer removes its files as soon as it has opened them; a failure may leave one.
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

} // namespace elvaro::excel
