#pragma once

#include "shell/CommonDialog.h"

#include <memory>

class QPrintDialog;
class QWidget;

namespace elvaro::shell {

// CommonDialog shown as Qt's print dialog.
class PrintDialog final : public CommonDialog {
public:
    explicit PrintDialog(QWidget *parent = nullptr);

    bool ShowPrinter(QPrinter &printer) override;

    // Qt's print dialog for the printer, its choices set from the flags: no page range when
    // cdlPDNoPageNums is set, the selection choice offered unless cdlPDNoSelection is set.
    static std::unique_ptr<QPrintDialog> makeDialog(QPrinter &printer, int flags, QWidget *parent = nullptr);

private:
    QWidget *m_parent = nullptr;
};

} // namespace elvaro::shell
