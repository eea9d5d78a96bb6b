#include "shell/TemporaryWorkbooks.h"

#include "export/OutputFile.h"
#include "export/WorkbookError.h"
#include "export/XlsxFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace elvaro::shell {

namespace {

// Enough for every export of one second; past it something else fills the folder.
constexpr int kMaxNamesPerSecond = 1000;
constexpr mode_t kPrivateFolderMode = S_IRWXU;
constexpr mode_t kReadOnlyFileMode = S_IRUSR;

std::string nativePath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

std::string reason(int error)
{
    return std::strerror(error);
}

} // namespace

void writeWorkbookFile(const excel::Workbook &workbook, const QString &path)
{
    excel::OutputFile file(nativePath(path));
    file.closeDescriptor();
    excel::writeXlsx(workbook, file.temporaryPath());
    file.commit();
}

QString TemporaryWorkbooks::defaultFolder()
{
    return QDir(QDir::tempPath()).filePath(QStringLiteral("elvaro-q3-%1").arg(::getuid()));
}

bool TemporaryWorkbooks::isPrivateFolder() const
{
    struct stat status {};
    return ::lstat(nativePath(m_folder).c_str(), &status) == 0 && S_ISDIR(status.st_mode)
           && status.st_uid == ::getuid() && (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

void TemporaryWorkbooks::makePrivateFolder() const
{
    const std::string folder = nativePath(m_folder);
    if (::mkdir(folder.c_str(), kPrivateFolderMode) != 0 && errno != EEXIST) {
        throw excel::WorkbookError("The folder " + folder + " for exported workbooks cannot be created: "
                                   + reason(errno) + ".");
    }
    // The folder lies in the shared temporary folder: one that another user made, a link, or one
    // that others can read is not used.
    if (!isPrivateFolder()) {
        throw excel::WorkbookError("The folder " + folder
                                   + " for exported workbooks is not private to you (it belongs to another user, "
                                     "is a link or others can open it). Remove it and export again.");
    }
}

QString TemporaryWorkbooks::reserveName(const QString &sheetName, const QDateTime &time) const
{
    const QString stem = sheetName + u' ' + time.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
    for (int number = 1; number <= kMaxNamesPerSecond; ++number) {
        const QString name = number == 1 ? stem : QStringLiteral("%1 (%2)").arg(stem).arg(number);
        const QString path = QDir(m_folder).filePath(name + QStringLiteral(".xlsx"));
        // Creating the file exclusively claims the name: no other export, of this run or of
        // another, can take it or have its file replaced.
        const int descriptor = ::open(nativePath(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (descriptor >= 0) {
            ::close(descriptor);
            return path;
        }
        if (errno != EEXIST) {
            throw excel::WorkbookError("A workbook file cannot be created in the folder " + nativePath(m_folder) + ": "
                                       + reason(errno) + ".");
        }
    }
    throw excel::WorkbookError("The folder " + nativePath(m_folder)
                               + " holds too many workbooks of this second; export again.");
}

QString TemporaryWorkbooks::save(const excel::Workbook &workbook, const QString &sheetName, const QDateTime &time) const
{
    makePrivateFolder();
    const QString path = reserveName(sheetName, time);
    try {
        writeWorkbookFile(workbook, path);
    } catch (...) {
        ::unlink(nativePath(path).c_str());
        throw;
    }
    // Read-only, so that an application that opens the file itself saves the user's work
    // elsewhere instead of into a folder that is emptied later.
    ::chmod(nativePath(path).c_str(), kReadOnlyFileMode);
    return path;
}

int TemporaryWorkbooks::removeOlderThan(std::chrono::seconds age, const QDateTime &now) const
{
    if (!isPrivateFolder())
        return 0;
    const QDateTime limit = now.addSecs(-age.count());
    int removed = 0;
    QDirIterator files(m_folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
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
