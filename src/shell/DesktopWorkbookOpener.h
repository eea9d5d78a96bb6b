#pragma once

#include "shell/WorkbookOpener.h"

class QWidget;

namespace elvaro::shell {

// Opens workbooks on this desktop: as a new, untitled document of LibreOffice ("soffice -n")
// when it is installed, else with the desktop's default application for .xlsx files. Asks
// where to save with Qt's file dialog.
class DesktopWorkbookOpener final : public WorkbookOpener
{
public:
    explicit DesktopWorkbookOpener(QWidget *dialogParent = nullptr) : m_dialogParent(dialogParent) {}

    bool open(const QString &path) override;
    QString askSaveFileName(const QString &suggestedName) override;

private:
    QWidget *m_dialogParent = nullptr;
};

} // namespace elvaro::shell
