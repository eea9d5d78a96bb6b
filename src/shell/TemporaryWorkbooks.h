#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <chrono>

namespace elvaro::excel {
class Worksheet;
}

// The private folder that keeps exported workbooks while a spreadsheet application opens them.
// Each export gets a file of its own there; files of earlier runs are removed once they are old
// enough that no application can still be reading them. Several folders can be given, in the order
// of use: when one cannot be made private to the user (another user created it first in the shared
// temporary folder) or cannot take the workbook, the next one is used.
namespace elvaro::shell {

class TemporaryWorkbooks {
public:
    // How long a workbook stays in the folder before a later start removes it.
    static constexpr std::chrono::hours kKeptFor{24};

    explicit TemporaryWorkbooks(QString folder) : m_folders{std::move(folder)} {}
    // `folders` in the order of use; there is at least one.
    explicit TemporaryWorkbooks(QStringList folders) : m_folders(std::move(folders)) {}

    // The folder "elvaro-q3-<user id>" in the system's temporary folder, then folders "elvaro-q3"
    // that no other user can create first: in the user's runtime folder ($XDG_RUNTIME_DIR) when
    // there is one, and in the user's cache folder.
    static QStringList defaultFolders();

    // The first folder, used whenever it can be.
    const QString &folder() const { return m_folders.front(); }

    // Writes the sheet as a workbook to a new read-only file of the folder named from the sheet and the time
    // ("Downloaded 2026-12-06 11-52-03.xlsx", then " (2)"... when that name is taken) and returns
    // its path. Never replaces a file. Creates the folder, readable by its owner only, when it is
    // missing. Throws FileError with the reason for each folder when the workbook cannot be kept
    // in any of them; no file is left behind then.
    QString save(const excel::Worksheet &sheet, const QString &sheetName, const QDateTime &time) const;

    // Removes the files of the folders last changed more than `age` before `now`. Returns how many
    // were removed. Leaves alone a folder that is missing or not private to this user.
    int removeOlderThan(std::chrono::seconds age, const QDateTime &now = QDateTime::currentDateTime()) const;

private:
    static void makePrivateFolder(const QString &folder);
    static bool isPrivateFolder(const QString &folder);
    static QString reserveName(const QString &folder, const QString &sheetName, const QDateTime &time);
    static QString saveIn(const QString &folder, const excel::Worksheet &sheet, const QString &sheetName,
                          const QDateTime &time);
    static int removeOldFiles(const QString &folder, const QDateTime &limit);

    QStringList m_folders;
};

// Saves the sheet as .xlsx to `path` whatever its suffix, the way `convert` saves it. Throws
// workbook::WorkbookError or workbook::FileError with the reason.
void writeWorkbookFile(const excel::Worksheet &sheet, const QString &path);

} // namespace elvaro::shell
