#pragma once

#include <QPlainTextEdit>

#include <functional>

class QKeyEvent;
class QMimeData;
class QPrinter;

// The report view (rtf1) and the export buffer (rtf): plain text in a fixed-pitch font.
// Text gives the lines separated by carriage return and line feed; SelStart and SelLength count
// in that same text. A carriage return, a line feed or the pair each end one line.
//
// The view holds real line ends only: a soft break (Shift+Enter, or a pasted or dropped U+2028 or
// U+2029) becomes a line end as it comes in, so that positions, selections and Text agree.
// Only the user's own editing can be undone, and only since the last Append or setText: text put
// in by the program is not an edit the user made.
namespace elvaro::shell {

class RichTextBox : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit RichTextBox(QWidget *parent = nullptr);

    QString Text() const;
    void setText(const QString &text);

    int SelStart() const;
    int SelLength() const;

    // Asked with the number of pages once they are laid out, before anything is printed; false
    // prints nothing, which is no failure.
    using PageCountCheck = std::function<bool(int pages)>;

    // Prints the selected text, or the whole text when nothing is selected. False on failure.
    bool SelPrint(QPrinter &printer, const PageCountCheck &mayPrint = {}) const;

    // Prints the given text in the view's font, page after page. False on failure.
    bool printText(QPrinter &printer, const QString &text, const PageCountCheck &mayPrint = {}) const;

    // Puts text at the end. The cost grows with the appended text only; the user's selection and
    // caret stay where they were, and the view follows the end only when it was scrolled there.
    // The undo history is cleared: undoing an earlier edit must not take away what arrived since.
    void Append(const QString &text);

    // Ends the last line when the text does not end with a line end, so that what is appended next
    // starts on a line of its own. An empty view stays empty.
    void startNewLine();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // Position in Text (CR LF line ends) of a position in the document (one separator per line end).
    int textIndex(int documentPosition) const;

    // Set when the text ends with a line that a lone carriage return closed: a line feed that
    // arrives next belongs to that line end and adds no line.
    bool m_endsWithCarriageReturn = false;
};

// Line ends (CR LF, CR, LF) to "\n". Tells through *endsWithCarriageReturn whether the text's
// last character was a lone carriage return.
QString normaliseLineEnds(QStringView text, bool *endsWithCarriageReturn = nullptr);

} // namespace elvaro::shell
