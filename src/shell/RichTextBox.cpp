#include "shell/RichTextBox.h"

#include "shell/Fonts.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

namespace elvaro::shell {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

QString normaliseLineEnds(QStringView text, bool *endsWithCarriageReturn)
{
    QString result;
    result.reserve(text.size());
    bool lastWasCarriageReturn = false;
    for (const QChar c : text) {
        if (c == u'\n' && lastWasCarriageReturn) {
            lastWasCarriageReturn = false;
            continue;
        }
        lastWasCarriageReturn = c == u'\r';
        if (c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            result += u'\n';
        else
            result += c;
    }
    if (endsWithCarriageReturn)
        *endsWithCarriageReturn = lastWasCarriageReturn;
    return result;
}

RichTextBox::RichTextBox(QWidget *parent) : QPlainTextEdit(parent)
{
    setFont(fixedPitchFont(9.75));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    document()->setDefaultFont(font());
}

QString RichTextBox::Text() const
{
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, kCrLf);
    text.replace(QChar::LineSeparator, kCrLf);
    return text;
}

void RichTextBox::setText(const QString &text)
{
    bool endsWithCarriageReturn = false;
    const QString normalised = normaliseLineEnds(text, &endsWithCarriageReturn);
    setPlainText(normalised);
    m_endsWithCarriageReturn = endsWithCarriageReturn;
}

int RichTextBox::textIndex(int documentPosition) const
{
    // Each line end is one character in the document and two (CR LF) in Text, so a position
    // moves on by the number of line ends before it, which is the number of its line.
    return documentPosition + document()->findBlock(documentPosition).blockNumber();
}

int RichTextBox::SelStart() const
{
    return textIndex(textCursor().selectionStart());
}

int RichTextBox::SelLength() const
{
    const QTextCursor cursor = textCursor();
    return textIndex(cursor.selectionEnd()) - textIndex(cursor.selectionStart());
}

bool RichTextBox::SelPrint(QPrinter &printer, const PageCountCheck &mayPrint) const
{
    const QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        return printText(printer, normaliseLineEnds(cursor.selectedText()), mayPrint);
    return printText(printer, normaliseLineEnds(document()->toRawText()), mayPrint);
}

bool RichTextBox::printText(QPrinter &printer, const QString &text, const PageCountCheck &mayPrint) const
{
    if (!printer.isValid())
        return false;

    QTextDocument page;
    page.documentLayout()->setPaintDevice(&printer);
    page.setDefaultFont(font());
    QTextOption option = page.defaultTextOption();
    // A line wider than the paper goes on in the next line rather than off the page.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    page.setDefaultTextOption(option);
    page.setPlainText(text);

    const QRectF area = printer.pageRect(QPrinter::DevicePixel);
    if (area.isEmpty())
        return false;
    page.setPageSize(area.size());

    const int pages = page.pageCount();
    if (mayPrint && !mayPrint(pages))
        return true;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    for (int index = 0; index < pages; ++index) {
        if (index > 0 && !printer.newPage()) {
            painter.end();
            return false;
        }
        const QRectF band(0, index * area.height(), area.width(), area.height());
        painter.save();
        painter.translate(0, -band.top());
        page.drawContents(&painter, band);
        painter.restore();
    }
    if (!painter.end())
        return false;
    return printer.printerState() != QPrinter::Error && printer.printerState() != QPrinter::Aborted;
}

void RichTextBox::Append(const QString &text)
{
    if (text.isEmpty())
        return;

    QStringView added = text;
    // The line feed of a CR LF pair whose carriage return came with the previous piece.
    const bool lastLineClosedByCarriageReturn =
        m_endsWithCarriageReturn && document()->blockCount() > 1 && document()->lastBlock().length() == 1;
    if (lastLineClosedByCarriageReturn && added.front() == u'\n')
        added = added.mid(1);
    m_endsWithCarriageReturn = false;
    if (added.isEmpty())
        return;
    bool endsWithCarriageReturn = false;
    const QString normalised = normaliseLineEnds(added, &endsWithCarriageReturn);

    QScrollBar *vertical = verticalScrollBar();
    QScrollBar *horizontal = horizontalScrollBar();
    const bool followEnd = vertical->value() == vertical->maximum();
    const int verticalValue = vertical->value();
    const int horizontalValue = horizontal->value();
    const QTextCursor user = textCursor();
    const int anchor = user.anchor();
    const int position = user.position();

    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    // Turning the history off empties it; the insertion is then recorded nowhere.
    document()->setUndoRedoEnabled(false);
    end.insertText(normalised);
    document()->setUndoRedoEnabled(true);
    m_endsWithCarriageReturn = endsWithCarriageReturn;

    // A caret at the very end would otherwise move along with the new text.
    if (textCursor().anchor() != anchor || textCursor().position() != position) {
        QTextCursor restored(document());
        restored.setPosition(anchor);
        restored.setPosition(position, QTextCursor::KeepAnchor);
        setTextCursor(restored);
    }
    horizontal->setValue(horizontalValue);
    vertical->setValue(followEnd ? vertical->maximum() : verticalValue);
}

void RichTextBox::startNewLine()
{
    // Each line is a block; the last one is empty when the text ends with a line end or is empty.
    if (document()->lastBlock().length() > 1)
        Append(QStringLiteral("\n"));
}

void RichTextBox::keyPressEvent(QKeyEvent *event)
{
    if (!event->matches(QKeySequence::InsertLineSeparator)) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    // A soft break ends the line, as Enter does.
    QKeyEvent enter(event->type(), Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), event->isAutoRepeat(),
                    static_cast<quint16>(event->count()));
    QPlainTextEdit::keyPressEvent(&enter);
    event->setAccepted(enter.isAccepted());
}

void RichTextBox::insertFromMimeData(const QMimeData *source)
{
    // Only the plain text of what is pasted or dropped, with every kind of line end made one.
    if (!source->hasText())
        return;
    QMimeData plain;
    plain.setText(normaliseLineEnds(source->text()));
    QPlainTextEdit::insertFromMimeData(&plain);
}

} // namespace elvaro::shell
