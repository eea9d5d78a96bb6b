#pragma once

#include "workbook/PendingRemoval.h"

#include <optional>
#include <string>

namespace elvaro::workbook {

// A hidden folder of our own, readable by its owner only, beside the file being written: the
// .xlsx writer keeps its temporary files there, on the disk that receives the workbook anyway, so
// that a full or missing system temporary folder does not spoil the write. Removed with whatever
// is left in it when the object goes, and by a stop signal meanwhile.
class WorkingFolder {
public:
    // Makes the folder beside `file`. Throws FileError with the reason when it cannot.
    explicit WorkingFolder(const std::string &file);
    WorkingFolder(const WorkingFolder &) = delete;
    WorkingFolder &operator=(const WorkingFolder &) = delete;
    ~WorkingFolder();

    const std::string &path() const { return m_path; }

private:
    std::string m_path;
    std::optional<PendingRemoval> m_pending;
};

} // namespace elvaro::workbook
