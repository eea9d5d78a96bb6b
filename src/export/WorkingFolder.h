#pragma once

#include "export/PendingRemoval.h"

#include <optional>
#include <string>

namespace elvaro::excel {

// A folder of our own, readable by its owner only, in the system's temporary folder ($TMPDIR,
// else /tmp): the .xlsx writer keeps its temporary files there. Removed with whatever is left in
// it when the object goes, and by a stop signal meanwhile.
class WorkingFolder {
public:
    // Throws WorkbookError with the reason when the folder cannot be made.
    WorkingFolder();
    WorkingFolder(const WorkingFolder &) = delete;
    WorkingFolder &operator=(const WorkingFolder &) = delete;
    ~WorkingFolder();

    const std::string &path() const { return m_path; }
    // The system's temporary folder that holds it.
    const std::string &parent() const { return m_parent; }

private:
    std::string m_parent;
    std::string m_path;
    std::optional<PendingRemoval> m_pending;
};

} // namespace elvaro::excel
