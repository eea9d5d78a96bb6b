#pragma once

#include <QPrinter>

#include <memory>

// PRINT: the report view's selection, or its whole text, through the print dialog. One printer is
// kept for the run, so that the dialog offers again the printer or the file chosen last. The pages
// keep margins of at least kMinMarginMm, and a print of more than kPagesWithoutAsking pages is
// printed only once the user has said yes to it.
namespace elvaro::shell {

class CommonDialog;
class MessageBoxes;
class RichTextBox;

class ReportPrinter {
public:
    static constexpr qreal kMinMarginMm = 15;
    static constexpr int kPagesWithoutAsking = 100;

    ReportPrinter(CommonDialog &dialog, MessageBoxes &messages);
    ~ReportPrinter();

    void print(const RichTextBox &view);

private:
    // The margins the dialog or the chosen printer left, each raised to kMinMarginMm.
    void keepMinimumMargins();
    bool mayPrint(int pages);

    CommonDialog &m_dialog;
    MessageBoxes &m_messages;
    // Made at the first PRINT: finding the system's printers can take a while.
    std::unique_ptr<QPrinter> m_printer;
};

} // namespace elvaro::shell
