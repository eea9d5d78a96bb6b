#pragma once

#include <QDateTime>
#include <QString>

#include <chrono>

namespace elvaro::excel {
class Workbook;
}

// The private folder that keeps exported workbooks while a spreadsheet application opens them.
// Each export gets a file of its own there; files of earlier runs are removed once they are old
// enough that no application can still be reading them.
namespace elvaro::shell {

class TemporaryWorkbooks
{
public:
    // How long a workbook stays in the folder before a later start removes it.
    static constexpr std::chrono::hours kKeptFor{24};

    explicit TemporaryWorkbooks(QString folder) : m_folder(std::move(folder)) {}

    // The folder "elvaro-q3-<user id>" in the system's temporary folder.
    static QString defaultFolder();

    const QString &folder() const { return m_folder; }

    // Writes the workbook to a new read-only file of the folder named from the sheet and the time
    // ("Downloaded 2026-12-06 11-52-03.xlsx", then " (2)"... when that name is taken) and returns
    // its path. Never replaces a file. Creates the folder, readable by its owner only, when it is
    // missing. Throws excel::WorkbookError with the reason when the workbook cannot be kept there;
    // no file is left behind then.
    QString save(const excel::Workbook &workbook, const QString &sheetName, const QDateTime &time) const;

    // Removes the files of the folder last changed more than `age` before `now`. Returns how many
    // were removed. Does nothing when the folder is missing or not private to this user.
    int removeOlderThan(std::chrono::seconds age, const QDateTime &now = QDateTime::currentDateTime()) const;

private:
    void makePrivateFolder() const;
    bool isPrivateFolder() const;
    QString reserveName(const QString &sheetName, const QDateTime &time) const;

    QString m_folder;
};

// Writes the workbook as .xlsx to `path` whatever its suffix; the file appears whole or not at
// all. Throws excel::WorkbookError with the reason.
void writeWorkbookFile(const excel::Workbook &workbook, const QString &path);

} // namespace elvaro::shell
