#include "cli/ProgramPart.h"

#include "cli/CommandMessages.h"
#include "system/SystemText.h"

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

namespace elvaro::cli {

namespace {

// Where the parts lie from the entry's folder: installed, then in the build tree.
constexpr const char *kPartFolders[] = {ELVARO_INSTALLED_PARTS, "libexec/elvaro-q3"};

std::filesystem::path findPart(std::string_view name, std::error_code &error)
{
    const std::filesystem::path entry = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    std::filesystem::path first;
    for (const char *folder : kPartFolders) {
        std::filesystem::path candidate = (entry.parent_path() / folder / name).lexically_normal();
        if (first.empty())
            first = candidate;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    error = std::error_code(ENOENT, std::generic_category());
    return first;
}

} // namespace

int continueInPart(std::string_view name, char **argv)
{
    std::error_code error;
    const std::filesystem::path part = findPart(name, error);
    if (!error) {
        ::execv(part.c_str(), argv);
        error = std::error_code(errno, std::generic_category());
    }
    const std::string shown = part.empty() ? std::string(name) : part.string();
    return CommandMessages().failure(shown, "cannot be started: " + system::errorText(error.value())
                                                + ". This part of elvaro-q3 is missing or damaged; "
                                                  "reinstall the program.");
}

} // namespace elvaro::cli
