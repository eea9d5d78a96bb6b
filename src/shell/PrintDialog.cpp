#include "shell/PrintDialog.h"

#include <QPrintDialog>
#include <QPrinter>

namespace elvaro::shell {

PrintDialog::PrintDialog(QWidget *parent) : m_parent(parent) {}

void PrintDialog::applyFlags(QPrintDialog &dialog, int flags)
{
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, (flags & cdlPDNoPageNums) == 0);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, (flags & cdlPDNoSelection) == 0);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
}

bool PrintDialog::ShowPrinter(QPrinter &printer)
{
    QPrintDialog dialog(&printer, m_parent);
    applyFlags(dialog, Flags);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace elvaro::shell
