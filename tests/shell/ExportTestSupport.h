#pragma once

// What the export tests share: a stand-in for the spreadsheet application and the person at the
// Save dialog, and the workbook read back with openpyxl.

#include "export/ExportTesting.h"
#include "shell/WorkbookOpener.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <deque>

namespace elvaro::shell::testing {

// Receives the files handed to the spreadsheet application, and answers the Save dialog from a
// script: a file name, or an empty string for Cancel.
class HookOpener final : public WorkbookOpener
{
public:
    bool canOpen = true;
    QStringList opened;
    std::deque<QString> saveAnswers;
    QStringList suggestions;

    bool open(const QString &path) override
    {
        opened.append(path);
        return canOpen;
    }

    QString askSaveFileName(const QString &suggestedName) override
    {
        suggestions.append(suggestedName);
        if (saveAnswers.empty()) {
            ADD_FAILURE() << "unexpected Save dialog for " << suggestedName.toStdString();
            return QString();
        }
        const QString answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
};

// The cells of the workbook's active sheet as openpyxl reads them: "A1" -> s "text" or n 21.5.
inline elvaro::testing::Grid workbookCells(const QString &path)
{
    return elvaro::testing::readWorkbook(path.toStdString()).cells;
}

} // namespace elvaro::shell::testing
