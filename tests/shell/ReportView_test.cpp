#include "ShellTestSupport.h"

namespace {

QString manyLines(int count)
{
    QString text;
    for (int line = 0; line < count; ++line)
        text += QStringLiteral("| line %1 of the report |\r\n").arg(line);
    return text;
}

// Pastes the text with Ctrl+V.
void paste(RichTextBox &view, const QString &text)
{
    QApplication::clipboard()->setText(text);
    QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
}

} // namespace

// Every kind of line end reads back as CR LF and makes a line of the view, whether the text is set
// (s), appended in pieces (a), typed with soft breaks (t) or pasted (p): each way below starts with
// its letter, pieces are split at '|'. A CR and LF that arrive apart make one line end.
TEST_F(WindowTest, EveryKindOfLineEndReadsBackAsCarriageReturnLineFeed)
{
    const std::pair<QString, QStringList> cases[] = {
        {"", {"s"}},
        {"A\r\nB", {"sA\r\nB", "sA\rB", "sA\nB"}},
        {"A\r\n\r\nB", {"sA\n\rB"}},
        {"A\r\n\r\nB\r\n", {"sA\r\r\nB\n"}},
        {"AB\r\nCD", {"aAB\r|\nCD"}},
        {"AB\r\n\r\nCD", {"aAB\r|\n|\nCD", "aAB\r|\r\nCD", "aAB\n|\nCD"}},
        {"AB\r\nCD\r\nEF", {"aAB\r|\nCD\rE|F", "tAB|CD|EF", "pAB\u2028CD\u2029EF", "pAB\rCD\r\nEF"}}};
    for (const auto &[text, ways] : cases) {
        for (const QString &way : ways) {
            RichTextBox view;
            view.show();
            const QChar how = way[0];
            const QStringList pieces = way.mid(1).split(u'|');
            for (int index = 0; index < pieces.size(); ++index) {
                if (how == u's')
                    view.setText(pieces[index]);
                else if (how == u'a')
                    view.Append(pieces[index]);
                else if (how == u'p')
                    paste(view, pieces[index]);
                else
                    QTest::keyClicks(&view, pieces[index]);
                // Shift+Return, then Shift+Enter on the keypad.
                if (how == u't' && index + 1 < pieces.size())
                    QTest::keyClick(&view, index ? Qt::Key_Enter : Qt::Key_Return,
                                    index ? Qt::ShiftModifier | Qt::KeypadModifier : Qt::ShiftModifier);
            }
            EXPECT_EQ(view.Text(), text) << way.toUtf8().toPercentEncoding().constData();
            EXPECT_EQ(view.document()->blockCount(), text.count(QStringLiteral("\r\n")) + 1) << way.toStdString();
        }
    }
}

TEST_F(WindowTest, SelectionCountsInTheTextWithTwoCharacterLineEnds)
{
    RichTextBox view;
    view.setText(QStringLiteral("AB\r\nCD\r\nEF"));
    // In the view each line end is one position: A0 B1 |2 C3 D4 |5 E6 F7. From, to, SelStart, selected.
    const std::tuple<int, int, int, const char *> cases[] = {
        {3, 3, 4, ""},           {3, 5, 4, "CD"}, {1, 4, 1, "B\r\nC"}, {6, 8, 8, "EF"}, {0, 8, 0, "AB\r\nCD\r\nEF"},
        {6, 1, 1, "B\r\nCD\r\n"}}; // backwards
    for (const auto &[from, to, selStart, selected] : cases) {
        select(view, from, to);
        EXPECT_EQ(view.SelStart(), selStart) << from << ".." << to;
        EXPECT_EQ(view.Text().mid(view.SelStart(), view.SelLength()), QString::fromLatin1(selected)) << from;
    }
}

TEST_F(WindowTest, TablesLineUpInTheViewFont)
{
    RichTextBox view;
    EXPECT_EQ(view.lineWrapMode(), QPlainTextEdit::NoWrap);
    const QFontMetricsF metrics(view.font());
    const qreal border = metrics.horizontalAdvance(QStringLiteral("+-----------+"));
    for (const char *row : {"| Mimmo  12 |", "|iiiiiiiiiii|", "|WWWWWWWWWWW|"})
        EXPECT_DOUBLE_EQ(metrics.horizontalAdvance(QString::fromLatin1(row)), border)
            << row << " in " << QFontInfo(view.font()).family().toStdString();
    EXPECT_FALSE(charactersLineUp(sansSerifFont(9.75, false)));
}

// The user's selection and a caret at the very end stay where they were; the view follows the end
// only when it was scrolled there.
TEST_F(WindowTest, AppendKeepsTheSelectionAndFollowsTheEndOnlyWhenScrolledThere)
{
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

TEST_F(WindowTest, UndoTakesBackOnlyTheUsersTypingSinceTheLastAppendOrReplacement)
{
    RichTextBox view;
    view.show();
    const auto undo = [&] { QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier); };
    const auto redo = [&] { QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); };
    view.setText(QStringLiteral("report\r\n"));
    undo();
    EXPECT_EQ(view.Text(), QStringLiteral("report\r\n")) << "a replaced text is not undone";
    view.moveCursor(QTextCursor::End);
    QTest::keyClicks(&view, QStringLiteral("note"));
    view.Append(QStringLiteral("received"));
    for (int times = 0; times < 3; ++times)
        undo();
    EXPECT_EQ(view.Text(), QStringLiteral("report\r\nnotereceived")) << "neither the append nor the typing before it";
    view.moveCursor(QTextCursor::End);
    QTest::keyClicks(&view, QStringLiteral(" typed"));
    undo();
    EXPECT_EQ(view.Text(), QStringLiteral("report\r\nnotereceived")) << "typing since the append is undone";
    redo();
    EXPECT_EQ(view.Text(), QStringLiteral("report\r\nnotereceived typed"));
}

// PRINT, EXPORT and DELETE of a selection act on exactly the characters selected in the view.
TEST_F(FormTest, PrintExportAndDeleteActOnExactlyTheSelectedCharacters)
{
    // A selection made by keys from the start of the text: characters on, then with Shift lines
    // down and characters on; what it selects, prints (as pdftotext reads the page, blank lines
    // and spacing made one space) and leaves after DELETE.
    const std::tuple<int, int, int, QString, QString, QString> cases[] = {{3, 0, 2, "CD", "CD", "AB\r\n\r\nEF"},
                                                                          {4, 1, 0, "D\r\nE", "D E", "AB\r\nCF"},
                                                                          {2, 0, 1, "\r\n", "", "ABCD\r\nEF"}};
    view().setFocus();
    for (const auto &[right, down, across, selected, printed, afterDelete] : cases) {
        view().setText(QStringLiteral("AB\r\nCD\r\nEF"));
        QTest::keyClick(&view(), Qt::Key_Home, Qt::ControlModifier);
        for (int step = 0; step < right + down + across; ++step)
            QTest::keyClick(&view(), step < right || step >= right + down ? Qt::Key_Right : Qt::Key_Down,
                            step < right ? Qt::NoModifier : Qt::ShiftModifier);
        EXPECT_EQ(view().Text().mid(view().SelStart(), view().SelLength()), selected);
        QFile::remove(pdfPath());
        button("CmdStampa")->click();
        EXPECT_EQ(pdfText(pdfPath()).simplified(), printed);
        button("CmdEsporta")->click();
        EXPECT_EQ(form.exportBuffer().Text(), selected);
        messages.answers = {true};
        button("CmdDelete")->click();
        EXPECT_EQ(view().Text(), afterDelete);
    }
    EXPECT_EQ(opener.opened.size(), std::size(cases));
}

// Ctrl+O appends a report file as convert reads it, on a line of its own; Ctrl+S writes the view's
// text as it stands in UTF-8. The file holds a line drawn in code page 437, a line feed that a file
// with carriage returns does not count, and a last line without a line end.
TEST_F(FormTest, ReportsAreOpenedAndSavedAsUtf8TextByKey)
{
    const std::string bytes = elvaro::testing::bytes({218, 196, 191, 13, 10, 179, 'A', 179, 10, 'x'});
    QFile report(file(QStringLiteral("instrument.txt")));
    ASSERT_TRUE(report.open(QIODevice::WriteOnly) && report.write(bytes.data(), qint64(bytes.size())) > 0);
    report.close();
    press(QKeySequence::Open, report.fileName());
    EXPECT_EQ(view().Text(), QStringLiteral("+-+\r\n|A|x"));
    EXPECT_TRUE(button("CmdEsporta")->isEnabled()) << "the report-commands rule follows the opening";

    view().moveCursor(QTextCursor::End);
    view().textCursor().insertText(QStringLiteral(" 21.5 °C"));
    press(QKeySequence::Save, file(QStringLiteral("saved.txt")));
    QFile saved(file(QStringLiteral("saved.txt")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("+-+\r\n|A|x 21.5 \xc2\xb0"
                                          "C"));
    press(QKeySequence::Open, report.fileName());
    EXPECT_EQ(view().Text(), QStringLiteral("+-+\r\n|A|x 21.5 °C\r\n+-+\r\n|A|x"));
}
