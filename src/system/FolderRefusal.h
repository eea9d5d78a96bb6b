#pragma once

#include <cerrno>
#include <string>

#include <sys/stat.h>

namespace elvaro::system {

// True when creating a file in `folder` failed with "No such file or directory" (`error`, the
// errno of the failed call) although the folder is there: one of the kernel's own folders such as
// /proc or /sys, which take no new files. The system's text would then send the user looking for a
// folder that exists.
inline bool folderTakesNoNewFiles(const std::string &folder, int error)
{
    struct stat status {};
    return error == ENOENT && ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// The reason for such a folder, a clause that follows the folder's name.
inline constexpr const char *kTakesNoNewFiles =
    "is one of the system's own folders and takes no new files; choose another folder";

} // namespace elvaro::system
