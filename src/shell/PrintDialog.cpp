#include "shell/PrintDialog.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QRadioButton>

namespace elvaro::shell {

namespace {

// Qt's print dialog on Linux re-enables its "Pages from" choice each time it is shown, whatever
// the page-range option says; this one turns it off again once shown.
class NoPageRangePrintDialog final : public QPrintDialog {
public:
    NoPageRangePrintDialog(QPrinter *printer, QWidget *parent) : QPrintDialog(printer, parent) {}

protected:
    void showEvent(QShowEvent *event) override
    {
        QPrintDialog::showEvent(event);
        for (const QString &name : {QStringLiteral("printRange"), QStringLiteral("pagesRadioButton")}) {
            if (auto *choice = findChild<QRadioButton *>(name))
                choice->setEnabled(false);
        }
    }
};

} // namespace

PrintDialog::PrintDialog(QWidget *parent) : m_parent(parent) {}

std::unique_ptr<QPrintDialog> PrintDialog::makeDialog(QPrinter &printer, int flags, QWidget *parent)
{
    std::unique_ptr<QPrintDialog> dialog;
    if (flags & cdlPDNoPageNums)
        dialog = std::make_unique<NoPageRangePrintDialog>(&printer, parent);
    else
        dialog = std::make_unique<QPrintDialog>(&printer, parent);
    dialog->setOption(QAbstractPrintDialog::PrintPageRange, (flags & cdlPDNoPageNums) == 0);
    dialog->setOption(QAbstractPrintDialog::PrintSelection, (flags & cdlPDNoSelection) == 0);
    dialog->setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dialog;
}

bool PrintDialog::ShowPrinter(QPrinter &printer)
{
    const std::unique_ptr<QPrintDialog> dialog = makeDialog(printer, Flags, m_parent);
    return dialog->exec() == QDialog::Accepted;
}

} // namespace elvaro::shell
