#include "ShellTestSupport.h"

#include "shell/Fonts.h"
#include "shell/RichTextBox.h"

#include <QClipboard>
#include <QFontInfo>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <functional>

using elvaro::shell::RichTextBox;

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

using RichTextBoxTest = elvaro::shell::testing::WidgetTest;

} // namespace

TEST_F(RichTextBoxTest, EveryKindOfLineEndReadsBackAsCarriageReturnLineFeed)
{
    const std::pair<const char *, const char *> cases[] = {
        {"", ""},           {"A\r\nB", "A\r\nB"},     {"A\rB", "A\r\nB"},
        {"A\nB", "A\r\nB"}, {"A\n\rB", "A\r\n\r\nB"}, {"A\r\r\nB\n", "A\r\n\r\nB\r\n"},
    };
    RichTextBox view;
    for (const auto &[given, text] : cases) {
        view.setText(QString::fromLatin1(given));
        EXPECT_EQ(view.Text(), QString::fromLatin1(text)) << QByteArray(given).toPercentEncoding().constData();
    }
}

TEST_F(RichTextBoxTest, SelectionCountsInTheTextWithTwoCharacterLineEnds)
{
    RichTextBox view;
    view.setText(QStringLiteral("AB\r\nCD\r\nEF"));
    // In the view each line end is one position: A0 B1 |2 C3 D4 |5 E6 F7.
    struct Case {
        int from;
        int to;
        int selStart;
        const char *selected;
    };
    const Case cases[] = {
        {3, 3, 4, ""},
        {3, 5, 4, "CD"},
        {1, 4, 1, "B\r\nC"},
        {6, 8, 8, "EF"},
        {0, 8, 0, "AB\r\nCD\r\nEF"},
        {6, 1, 1, "B\r\nCD\r\n"}, // backwards
    };
    const QString text = view.Text();
    for (const Case &c : cases) {
        select(view, c.from, c.to);
        EXPECT_EQ(view.SelStart(), c.selStart) << c.from << ".." << c.to;
        EXPECT_EQ(text.mid(view.SelStart(), view.SelLength()), QString::fromLatin1(c.selected))
            << c.from << ".." << c.to;
    }
}

TEST_F(RichTextBoxTest, TablesLineUpInTheViewFont)
{
    RichTextBox view;
    EXPECT_EQ(view.lineWrapMode(), QPlainTextEdit::NoWrap);
    const QFontMetricsF metrics(view.font());
    const qreal border = metrics.horizontalAdvance(QStringLiteral("+-----------+"));
    for (const char *row : {"| Mimmo  12 |", "|iiiiiiiiiii|", "|WWWWWWWWWWW|"})
        EXPECT_DOUBLE_EQ(metrics.horizontalAdvance(QString::fromLatin1(row)), border)
            << row << " in " << QFontInfo(view.font()).family().toStdString();
    EXPECT_FALSE(elvaro::shell::charactersLineUp(elvaro::shell::sansSerifFont(9.75, false)));
}

TEST_F(RichTextBoxTest, AppendJoinsACarriageReturnAndLineFeedThatArriveApartAndKeepsTheSelection)
{
    const std::pair<QStringList, const char *> cases[] = {
        {{"AB\r", "\nCD"}, "AB\r\nCD"},
        {{"AB\r", "\n", "\nCD"}, "AB\r\n\r\nCD"},
        {{"AB\r", "\r\nCD"}, "AB\r\n\r\nCD"},
        {{"AB\n", "\nCD"}, "AB\r\n\r\nCD"},
    };
    for (const auto &[pieces, text] : cases) {
        RichTextBox view;
        for (const QString &piece : pieces)
            view.Append(piece);
        EXPECT_EQ(view.Text(), QString::fromLatin1(text)) << pieces.join(u'|').toUtf8().toPercentEncoding().constData();
    }

    // The user's selection and a caret at the very end stay where they were.
    RichTextBox view;
    view.setText(QStringLiteral("first\r\nsecond"));
    select(view, 1, 3);
    view.Append(QStringLiteral("\r\nthird"));
    EXPECT_EQ(view.Text(), QStringLiteral("first\r\nsecond\r\nthird"));
    EXPECT_EQ(view.SelStart(), 1);
    EXPECT_EQ(view.SelLength(), 2);
    const int end = view.document()->characterCount() - 1;
    select(view, end, end);
    view.Append(QStringLiteral("\r\nfourth"));
    EXPECT_EQ(view.textCursor().position(), end);
}

TEST_F(RichTextBoxTest, AppendFollowsTheEndOnlyWhenTheViewWasScrolledThere)
{
    RichTextBox view;
    view.resize(300, 120);
    view.show();
    view.setText(manyLines(200));
    QScrollBar *bar = view.verticalScrollBar();
    bar->setValue(bar->maximum());
    view.Append(manyLines(50));
    EXPECT_EQ(bar->value(), bar->maximum());

    bar->setValue(10);
    const int maximumBefore = bar->maximum();
    view.Append(manyLines(50));
    EXPECT_GT(bar->maximum(), maximumBefore);
    EXPECT_EQ(bar->value(), 10);
}

namespace {

void undo(RichTextBox &view)
{
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
}

void redo(RichTextBox &view)
{
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
}

} // namespace

TEST_F(RichTextBoxTest, UndoTakesBackOnlyTheUsersTypingSinceTheLastAppendOrReplacement)
{
    RichTextBox view;
    view.show();
    view.setText(QStringLiteral("report\r\n"));
    undo(view);
    EXPECT_EQ(view.Text(), QStringLiteral("report\r\n")) << "a replaced text is not undone";

    view.moveCursor(QTextCursor::End);
    QTest::keyClicks(&view, QStringLiteral("note"));
    view.Append(QStringLiteral("received"));
    for (int times = 0; times < 3; ++times)
        undo(view);
    EXPECT_EQ(view.Text(), QStringLiteral("report\r\nnotereceived")) << "neither the append nor the typing before it";
    redo(view);
    EXPECT_EQ(view.Text(), QStringLiteral("report\r\nnotereceived"));

    view.moveCursor(QTextCursor::End);
    QTest::keyClicks(&view, QStringLiteral(" typed"));
    undo(view);
    EXPECT_EQ(view.Text(), QStringLiteral("report\r\nnotereceived")) << "typing since the append is undone";
    redo(view);
    EXPECT_EQ(view.Text(), QStringLiteral("report\r\nnotereceived typed"));
}
