#include "workbook/OutputFile.h"

#include "system/FolderRefusal.h"
#include "workbook/FileError.h"
#include "workbook/StopSignalsHeld.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace elvaro::workbook {

namespace {

// The permissions a newly created file gets: read and write for all, less the umask. The umask
// is read from /proc so that other threads never see it changed; umask() is the fallback.
mode_t newFileMode()
{
    mode_t mask = 0;
    std::ifstream status("/proc/self/status");
    std::string line;
    bool found = false;
    while (!found && std::getline(status, line)) {
        if (line.starts_with("Umask:")) {
            mask = static_cast<mode_t>(std::strtoul(line.c_str() + std::strlen("Umask:"), nullptr, 8));
            found = true;
        }
    }
    if (!found) {
        mask = ::umask(0);
        ::umask(mask);
    }
    return static_cast<mode_t>(0666) & ~mask;
}

// The permission bits the output gets: those of the regular file it replaces, else those of a
// new file.
mode_t outputMode(const std::string &path)
{
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        return existing.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO);
    return newFileMode();
}

} // namespace

OutputFile::OutputFile(std::string path) : m_path(std::move(path))
{
    const std::filesystem::path target(m_path);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const StopSignalsHeld held;
    const int descriptor = ::mkstemp(name.data());
    if (descriptor < 0) {
        const int error = errno;
        if (system::folderTakesNoNewFiles(folder.string(), error))
            throw FileError("cannot create a file in the folder " + folder.string() + ": it "
                            + system::kTakesNoNewFiles);
        throw FileError("cannot create a file in the folder " + folder.string(), error);
    }
    m_descriptor = descriptor;
    m_temporaryPath = name.data();
    m_pending.emplace(m_temporaryPath, PendingRemoval::Kind::File);
}

OutputFile::~OutputFile()
{
    closeDescriptor();
    if (!m_committed)
        ::unlink(m_temporaryPath.c_str());
}

void OutputFile::closeDescriptor()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    m_descriptor = -1;
}

int OutputFile::releaseDescriptor()
{
    const int descriptor = m_descriptor;
    m_descriptor = -1;
    return descriptor;
}

void OutputFile::commit()
{
    closeDescriptor();
    const int descriptor = ::open(m_temporaryPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        throw FileError("cannot reopen the written file", errno);
    const int synced = ::fsync(descriptor);
    const int syncError = errno;
    ::close(descriptor);
    if (synced != 0)
        throw FileError("cannot write the file to disk", syncError);
    if (::chmod(m_temporaryPath.c_str(), outputMode(m_path)) != 0)
        throw FileError("cannot set the permissions of the written file", errno);
    if (std::rename(m_temporaryPath.c_str(), m_path.c_str()) != 0) {
        const int error = errno;
        if (error == EISDIR)
            throw FileError("cannot be replaced: it is a folder; give the name of a file");
        throw FileError("cannot replace the file", error);
    }
    m_committed = true;
    m_pending.reset();
}

} // namespace elvaro::workbook
