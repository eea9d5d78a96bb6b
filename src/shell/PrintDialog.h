#pragma once

#include "shell/CommonDialog.h"

class QPrintDialog;
class QWidget;

namespace elvaro::shell {

// CommonDialog shown as Qt's print dialog.
class PrintDialog final : public CommonDialog
{
public:
    explicit PrintDialog(QWidget *parent = nullptr);

    bool ShowPrinter(QPrinter &printer) override;

    // Sets the dialog's choices from the flags: page range off when cdlPDNoPageNums is set, the
    // selection choice offered unless cdlPDNoSelection is set.
    static void applyFlags(QPrintDialog &dialog, int flags);

private:
    QWidget *m_parent = nullptr;
};

} // namespace elvaro::shell
