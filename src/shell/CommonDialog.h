#pragma once

class QPrinter;

// The print dialog of the main window (CommonDialog1). The desktop shows QPrintDialog; tests stand
// in for the person at the dialog and send the output to a PDF file.
namespace elvaro::shell {

class CommonDialog {
public:
    // Bits of Flags.
    static constexpr int cdlPDNoPageNums = 0x8;  // the page-range choice is disabled
    static constexpr int cdlPDNoSelection = 0x4; // the selection choice is disabled

    virtual ~CommonDialog() = default;

    // Shows the print dialog for the printer, set up by Flags. Returns false when the user
    // cancelled; nothing may be printed then.
    virtual bool ShowPrinter(QPrinter &printer) = 0;

    int Flags = 0;
};

} // namespace elvaro::shell
