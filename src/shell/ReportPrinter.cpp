#include "shell/ReportPrinter.h"

#include "shell/CommonDialog.h"
#include "shell/MessageBoxes.h"
#include "shell/RichTextBox.h"

#include <QMarginsF>
#include <QPageLayout>

#include <algorithm>

namespace elvaro::shell {

ReportPrinter::ReportPrinter(CommonDialog &dialog, MessageBoxes &messages) : m_dialog(dialog), m_messages(messages) {}

ReportPrinter::~ReportPrinter() = default;

void ReportPrinter::keepMinimumMargins()
{
    const QMarginsF margins = m_printer->pageLayout().margins(QPageLayout::Millimeter);
    const auto atLeast = [](qreal margin) { return std::max(margin, kMinMarginMm); };
    m_printer->setPageMargins(
        QMarginsF(atLeast(margins.left()), atLeast(margins.top()), atLeast(margins.right()), atLeast(margins.bottom())),
        QPageLayout::Millimeter);
}

bool ReportPrinter::mayPrint(int pages)
{
    if (pages <= kPagesWithoutAsking)
        return true;
    return m_messages.askYesNo(QStringLiteral("This print takes %1 pages. Print all of them?").arg(pages));
}

void ReportPrinter::print(const RichTextBox &view)
{
    const bool hasSelection = view.SelLength() != 0;
    m_dialog.Flags = CommonDialog::cdlPDNoPageNums | (hasSelection ? 0 : CommonDialog::cdlPDNoSelection);

    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        keepMinimumMargins();
    }
    m_printer->setPrintRange(hasSelection ? QPrinter::Selection : QPrinter::AllPages);
    bool printed = false;
    if (m_dialog.ShowPrinter(*m_printer)) {
        keepMinimumMargins();
        const auto check = [this](int pages) { return mayPrint(pages); };
        // The user may turn the preselected choice back to the whole text in the dialog.
        if (hasSelection && m_printer->printRange() != QPrinter::Selection)
            printed = view.printText(*m_printer, view.Text(), check);
        else
            printed = view.SelPrint(*m_printer, check);
    }
    if (!printed)
        m_messages.tell(QStringLiteral("Errors during print"));
}

} // namespace elvaro::shell
