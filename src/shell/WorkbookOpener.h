#pragma once

#include <QString>

#include <functional>

// Shows an exported workbook to the user: hands its file to the desktop's spreadsheet
// application, or asks where to keep it when no application can show it. The desktop does this
// with LibreOffice or the default application and a Save dialog; tests receive the file.
namespace elvaro::shell {

class WorkbookOpener {
public:
    // Called, from the event loop, when the application that open() started reports soon after
    // that it could not show the workbook; `reason` says so in the launcher's own words.
    using LateFailure = std::function<void(const QString &reason)>;

    virtual ~WorkbookOpener() = default;

    // Starts an application that shows the workbook file as a new document and returns at once,
    // without waiting for it. False when no application on this desktop can show it. A failure
    // that only shows after the return goes to `lateFailure`, at most once.
    virtual bool open(const QString &path, LateFailure lateFailure) = 0;

    // Asks the user where to save the workbook, offering `suggestedName`. The chosen file, or an
    // empty string when the user cancels. Replacing an existing file has been confirmed by then.
    virtual QString askSaveFileName(const QString &suggestedName) = 0;
};

} // namespace elvaro::shell
