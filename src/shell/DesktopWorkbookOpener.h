#pragma once

#include "shell/WorkbookOpener.h"

#include <QObject>

#include <chrono>

class QWidget;

namespace elvaro::shell {

// Opens workbooks on this desktop: as a new, untitled document of LibreOffice ("soffice -n")
// when it is installed, else with the desktop's default application for .xlsx files through
// xdg-open. Either one's failure within the verdict window is reported as a late failure. Asks
// where to save with Qt's file dialog.
class DesktopWorkbookOpener final : public WorkbookOpener {
public:
    // How long after its start an end of the opener in failure still means that nothing showed
    // the workbook: the failures it reports (no application, an application that cannot start)
    // come within a second or two.
    static constexpr std::chrono::milliseconds kVerdictWindow{10000};

    explicit DesktopWorkbookOpener(QWidget *dialogParent = nullptr,
                                   std::chrono::milliseconds verdictWindow = kVerdictWindow)
        : m_dialogParent(dialogParent), m_verdictWindow(verdictWindow)
    {}

    bool open(const QString &path, LateFailure lateFailure) override;
    QString askSaveFileName(const QString &suggestedName) override;

    // The opener runs that have not ended yet.
    qsizetype launchesRunning() const { return m_launches.children().size(); }

private:
    QWidget *m_dialogParent = nullptr;
    std::chrono::milliseconds m_verdictWindow;
    // Holds the opener runs still watched; they go when they end, or with the opener.
    QObject m_launches;
};

} // namespace elvaro::shell
