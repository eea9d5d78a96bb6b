#pragma once

#include "workbook/PendingRemoval.h"

#include <optional>
#include <string>

namespace elvaro::workbook {

// A file that appears whole or not at all: the content goes to a temporary file in the
// target's folder, and commit() renames it over the target. A file that is never committed
// is removed, also when a stop signal ends the program (see PendingRemoval).
class OutputFile {
public:
    // Creates the temporary file, readable and writable by its owner only while it is written.
    // Throws FileError with the reason when the folder cannot take it.
    explicit OutputFile(std::string path);
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;
    ~OutputFile();

    const std::string &temporaryPath() const { return m_temporaryPath; }
    // The open descriptor of the temporary file, or -1 after releaseDescriptor().
    int descriptor() const { return m_descriptor; }
    // Closes the descriptor, for a writer that opens the temporary file by name.
    void closeDescriptor();
    // Hands the descriptor over to a caller that closes it.
    int releaseDescriptor();

    // Flushes the temporary file to disk, gives it the permissions of the file it replaces (or
    // those of a new file) and renames it to the target. Throws FileError with the reason on
    // failure; the temporary file is then removed.
    void commit();

private:
    std::string m_path;
    std::string m_temporaryPath;
    int m_descriptor = -1;
    bool m_committed = false;
    std::optional<PendingRemoval> m_pending;
};

} // namespace elvaro::workbook
