#include "shell/TemporaryWorkbooks.h"

#include "system/SystemText.h"
#include "workbook/FileError.h"
#include "workbook/SheetFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace elvaro::shell {

namespace {

// Enough for every export of one second; past it something else fills the folder.
constexpr int kMaxNamesPerSecond = 1000;
constexpr mode_t kPrivateFolderMode = S_IRWXU;
constexpr mode_t kReadOnlyFileMode = S_IRUSR;
// The name of the folder in the user's runtime and cache folders.
const QString kOwnFolderName = QStringLiteral("elvaro-q3");

std::string nativePath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

void writeWorkbookFile(const excel::Worksheet &sheet, const QString &path)
{
    workbook::saveSheet(sheet, nativePath(path), workbook::FileKind::Xlsx);
}

QStringList TemporaryWorkbooks::defaultFolders()
{
    QStringList folders{QDir(QDir::tempPath()).filePath(QStringLiteral("elvaro-q3-%1").arg(::getuid()))};
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime))
        folders.append(QDir(runtime).filePath(kOwnFolderName));
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty())
        folders.append(QDir(cache).filePath(kOwnFolderName));
    return folders;
}

bool TemporaryWorkbooks::isPrivateFolder(const QString &folder)
{
    struct stat status {};
    return ::lstat(nativePath(folder).c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::getuid()
           && (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

void TemporaryWorkbooks::makePrivateFolder(const QString &folder)
{
    const std::string path = nativePath(folder);
    // The user's own folders above it (a cache folder not used before) are made as needed.
    QDir().mkpath(QFileInfo(folder).absolutePath());
    if (::mkdir(path.c_str(), kPrivateFolderMode) != 0 && errno != EEXIST) {
        throw workbook::FileError("The folder " + path
                                  + " for exported workbooks cannot be created: " + system::errorText(errno) + ".");
    }
    // A folder in the shared temporary folder that another user made, a link, or one that others
    // can read is not used.
    if (!isPrivateFolder(folder)) {
        throw workbook::FileError("The folder " + path
                                  + " for exported workbooks is not private to you (it belongs to another user, "
                                    "is a link or others can open it). Remove it and export again.");
    }
}

QString TemporaryWorkbooks::reserveName(const QString &folder, const QString &sheetName, const QDateTime &time)
{
    const QString stem = sheetName + u' ' + time.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
    for (int number = 1; number <= kMaxNamesPerSecond; ++number) {
        const QString name = number == 1 ? stem : QStringLiteral("%1 (%2)").arg(stem).arg(number);
        const QString path = QDir(folder).filePath(name + QStringLiteral(".xlsx"));
        // Creating the file exclusively claims the name: no other export, of this run or of
        // another, can take it or have its file replaced.
        const int descriptor =
            ::open(nativePath(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (descriptor >= 0) {
            ::close(descriptor);
            return path;
        }
        if (errno != EEXIST) {
            throw workbook::FileError("A workbook file cannot be created in the folder " + nativePath(folder) + ": "
                                      + system::errorText(errno) + ".");
        }
    }
    throw workbook::FileError("The folder " + nativePath(folder)
                              + " holds too many workbooks of this second; export again.");
}

QString TemporaryWorkbooks::saveIn(const QString &folder, const excel::Worksheet &sheet, const QString &sheetName,
                                   const QDateTime &time)
{
    makePrivateFolder(folder);
    const QString path = reserveName(folder, sheetName, time);
    try {
        writeWorkbookFile(sheet, path);
    } catch (...) {
        ::unlink(nativePath(path).c_str());
        throw;
    }
    // Read-only, so that an application that opens the file itself saves the user's work
    // elsewhere instead of into a folder that is emptied later.
    ::chmod(nativePath(path).c_str(), kReadOnlyFileMode);
    return path;
}

QString TemporaryWorkbooks::save(const excel::Worksheet &sheet, const QString &sheetName, const QDateTime &time) const
{
    std::string reasons;
    for (const QString &folder : m_folders) {
        // A folder that cannot be used, or a workbook it cannot take: on to the next folder.
        const auto note = [&reasons](const std::exception &problem) {
            reasons += (reasons.empty() ? "" : "\n") + std::string(problem.what());
        };
        try {
            return saveIn(folder, sheet, sheetName, time);
        } catch (const std::runtime_error &problem) {
            note(problem);
        }
    }
    throw workbook::FileError(reasons.empty() ? std::string("No folder is set for exported workbooks.") : reasons);
}

int TemporaryWorkbooks::removeOlderThan(std::chrono::seconds age, const QDateTime &now) const
{
    const QDateTime limit = now.addSecs(-age.count());
    int removed = 0;
    for (const QString &folder : m_folders)
        removed += removeOldFiles(folder, limit);
    return removed;
}

int TemporaryWorkbooks::removeOldFiles(const QString &folder, const QDateTime &limit)
{
    if (!isPrivateFolder(folder))
        return 0;
    int removed = 0;
    QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (files.hasNext()) {
        const QFileInfo file(files.next());
        if (file.isSymLink() || file.lastModified() >= limit)
            continue;
        if (QFile::remove(file.filePath()))
            ++removed;
    }
    return removed;
}

} // namespace elvaro::shell
