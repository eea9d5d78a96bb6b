#pragma once

#include <csignal>
#include <string>

namespace elvaro::workbook {

// A temporary file or folder that a stop signal must not leave behind. While a PendingRemoval
// lives, its path stands in a fixed table that removeAllNow() empties from a signal handler;
// the object itself removes nothing, its owner does.
class PendingRemoval {
public:
    enum class Kind { File, Folder };

    // The signals that stop a command, after which its temporary files must be gone.
    static constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

    // Registers `path`. A path too long for the table, or a table already full, is not
    // registered: the owner still removes it on every ordinary path, only a signal misses it.
    PendingRemoval(const std::string &path, Kind kind);
    PendingRemoval(const PendingRemoval &) = delete;
    PendingRemoval &operator=(const PendingRemoval &) = delete;
    ~PendingRemoval() { release(); }

    // Takes the path out of the table, as when the file has become the output.
    void release();

    // Removes every registered file, then every registered folder with the files in it.
    // Async-signal-safe.
    static void removeAllNow();

private:
    int m_slot = -1;
};

} // namespace elvaro::workbook
