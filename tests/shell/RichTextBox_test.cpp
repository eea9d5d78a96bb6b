#include "ShellTestSupport.h"

#include "shell/Fonts.h"
#include "shell/RichTextBox.h"
#include "shell/RtfText.h"

#include <QFontInfo>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using elvaro::shell::RichTextBox;
using elvaro::shell::testing::application;

namespace {

void select(RichTextBox &view, int from, int to)
{
    QTextCursor cursor(view.document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    view.setTextCursor(cursor);
}

QString manyLines(int count)
{
    QString text;
    for (int line = 0; line < count; ++line)
        text += QStringLiteral("| line %1 of the report |\r\n").arg(line);
    return text;
}

class RichTextBoxTest : public ::testing::Test
{
protected:
    void SetUp() override { application(); }
};

} // namespace

TEST_F(RichTextBoxTest, EveryKindOfLineEndReadsBackAsCarriageReturnLineFeed)
{
    struct Case {
        const char *given;
        const char *text;
    };
    const Case cases[] = {
        {"", ""},
        {"ABC", "ABC"},
        {"A\r\nB", "A\r\nB"},
        {"A\rB", "A\r\nB"},
        {"A\nB", "A\r\nB"},
        {"A\n\rB", "A\r\n\r\nB"},    // LF then CR: two line ends
        {"A\r\r\nB\n", "A\r\n\r\nB\r\n"},
        {"+--+\r\n|A|\r\n+--+\r\n", "+--+\r\n|A|\r\n+--+\r\n"},
    };
    RichTextBox view;
    for (const Case &c : cases) {
        view.setText(QString::fromLatin1(c.given));
        EXPECT_EQ(view.Text().toStdString(), std::string(c.text)) << "given " << QString::fromLatin1(c.given).toUtf8().toPercentEncoding().toStdString();
    }
}

TEST_F(RichTextBoxTest, SelectionCountsInTheTextWithTwoCharacterLineEnds)
{
    RichTextBox view;
    view.setText(QStringLiteral("AB\r\nCD\r\nEF"));
    // Document positions: A0 B1 |2 C3 D4 |5 E6 F7; in Text the line ends take two characters.
    struct Case {
        int from;
        int to;
        int selStart;
        int selLength;
        const char *selected;
    };
    const Case cases[] = {
        {0, 0, 0, 0, ""},       {1, 1, 1, 0, ""},           {3, 3, 4, 0, ""},
        {3, 5, 4, 2, "CD"},     {1, 4, 1, 4, "B\r\nC"},     {0, 8, 0, 10, "AB\r\nCD\r\nEF"},
        {6, 8, 8, 2, "EF"},     {6, 1, 1, 7, "B\r\nCD\r\n"}, // selected backwards
    };
    const QString text = view.Text();
    for (const Case &c : cases) {
        select(view, c.from, c.to);
        EXPECT_EQ(view.SelStart(), c.selStart) << c.from << ".." << c.to;
        EXPECT_EQ(view.SelLength(), c.selLength) << c.from << ".." << c.to;
        EXPECT_EQ(text.mid(view.SelStart(), view.SelLength()).toStdString(), std::string(c.selected));
    }
}

TEST_F(RichTextBoxTest, HoldsPlainTextInAFixedPitchFontWithoutWrapping)
{
    RichTextBox view;
    EXPECT_EQ(view.lineWrapMode(), QPlainTextEdit::NoWrap);
    // Lines of a drawn table with the same number of characters are equally wide on screen.
    const QFontMetricsF metrics(view.font());
    const qreal border = metrics.horizontalAdvance(QStringLiteral("+-----------+"));
    for (const char *row : {"| Mimmo  12 |", "|iiiiiiiiiii|", "|WWWWWWWWWWW|"})
        EXPECT_DOUBLE_EQ(metrics.horizontalAdvance(QString::fromLatin1(row)), border)
            << row << " in " << QFontInfo(view.font()).family().toStdString();
    EXPECT_TRUE(elvaro::shell::charactersLineUp(view.font()));
    EXPECT_FALSE(elvaro::shell::charactersLineUp(elvaro::shell::sansSerifFont(9.75, false)));
}

TEST_F(RichTextBoxTest, RichTextRoundTripKeepsThePlainText)
{
    RichTextBox view;
    const QString text = QStringLiteral("{braces} back\\slash\r\n\ttab \u00e8\u2500\r\n+--+");
    view.setText(text);
    const QString rtf = view.TextRTF();
    EXPECT_TRUE(rtf.startsWith(QLatin1String("{\\rtf1")));

    RichTextBox buffer;
    buffer.setTextRTF(rtf);
    EXPECT_EQ(buffer.Text(), text);
}

TEST_F(RichTextBoxTest, TakesForeignRichTextForItsTextAndAnyOtherStringAsPlainText)
{
    RichTextBox view;
    view.setTextRTF(QStringLiteral(
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Courier New;}}{\\colortbl;\\red0\\green0\\blue0;}"
        "{\\*\\generator Msftedit 5.41;}\\viewkind4\\uc1\\pard\\f0\\fs20 +--+\\par\r\n|\\'e8|\\par\r\n"
        "\\u8364?\\tab x\\par\r\n}"));
    EXPECT_EQ(view.Text(), QStringLiteral("+--+\r\n|\u00e8|\r\n\u20ac\tx\r\n"));

    view.setTextRTF(QStringLiteral("not {\\rtf at the start"));
    EXPECT_EQ(view.Text(), QStringLiteral("not {\\rtf at the start"));
}

TEST_F(RichTextBoxTest, AppendJoinsACarriageReturnAndLineFeedThatArriveApart)
{
    struct Case {
        QStringList pieces;
        const char *text;
    };
    const Case cases[] = {
        {{"AB\r", "\nCD"}, "AB\r\nCD"},
        {{"AB\r", "\n", "\nCD"}, "AB\r\n\r\nCD"},
        {{"AB\r", "\r\nCD"}, "AB\r\n\r\nCD"},
        {{"AB\n", "\nCD"}, "AB\r\n\r\nCD"},
        {{"A", "B", "\r\n", "C"}, "AB\r\nC"},
    };
    for (const Case &c : cases) {
        RichTextBox view;
        for (const QString &piece : c.pieces)
            view.Append(piece);
        EXPECT_EQ(view.Text().toStdString(), std::string(c.text)) << c.pieces.join(u'|').toUtf8().toPercentEncoding().toStdString();
    }
}

TEST_F(RichTextBoxTest, AppendGoesAfterWhatTheViewHoldsAndKeepsTheUserSelection)
{
    RichTextBox view;
    view.setText(QStringLiteral("first\r\nsecond"));
    select(view, 1, 3);
    view.Append(QStringLiteral("\r\nthird"));
    EXPECT_EQ(view.Text(), QStringLiteral("first\r\nsecond\r\nthird"));
    EXPECT_EQ(view.SelStart(), 1);
    EXPECT_EQ(view.SelLength(), 2);

    // A caret standing at the very end stays there rather than moving with the new text.
    const int end = view.document()->characterCount() - 1;
    select(view, end, end);
    view.Append(QStringLiteral("\r\nfourth"));
    EXPECT_EQ(view.textCursor().position(), end);
    EXPECT_FALSE(view.textCursor().hasSelection());
}

TEST_F(RichTextBoxTest, AppendTouchesOnlyTheAppendedTextWhateverTheViewHolds)
{
    for (const int lines : {10, 5000}) {
        RichTextBox view;
        view.setText(manyLines(lines));
        const QTextBlock firstBlock = view.document()->firstBlock();
        const int firstRevision = firstBlock.revision();
        const int before = view.document()->characterCount();

        QList<std::array<int, 3>> changes;
        QObject::connect(view.document(), &QTextDocument::contentsChange,
                         [&changes](int from, int removed, int added) { changes.append({from, removed, added}); });
        view.Append(QStringLiteral("+--+\r\n"));

        // One change, at the old end, removing nothing and adding the new characters only: the
        // work does not depend on how much the view held.
        ASSERT_EQ(changes.size(), 1) << lines;
        EXPECT_EQ(changes[0][0], before - 1) << lines;
        EXPECT_EQ(changes[0][1], 0) << lines;
        EXPECT_EQ(changes[0][2], 5) << lines;
        EXPECT_EQ(view.document()->firstBlock().revision(), firstRevision) << lines;
        EXPECT_EQ(view.document()->firstBlock(), firstBlock) << lines;
    }
}

TEST_F(RichTextBoxTest, AppendFollowsTheEndOnlyWhenTheViewWasScrolledThere)
{
    RichTextBox view;
    view.resize(300, 120);
    view.show();
    view.setText(manyLines(200));
    QScrollBar *bar = view.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);

    bar->setValue(bar->maximum());
    view.Append(manyLines(50));
    EXPECT_EQ(bar->value(), bar->maximum());

    bar->setValue(10);
    const int maximumBefore = bar->maximum();
    view.Append(manyLines(50));
    EXPECT_GT(bar->maximum(), maximumBefore);
    EXPECT_EQ(bar->value(), 10);
}
