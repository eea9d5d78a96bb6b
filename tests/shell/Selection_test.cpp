#include "ShellTestSupport.h"

#include "serial/PortTable.h"
#include "shell/MainForm.h"
#include "shell/RichTextBox.h"
#include "workbook/WorkbookTestSupport.h"

#include <QClipboard>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>

#include <functional>

using namespace elvaro::shell;
namespace support = elvaro::shell::testing;

namespace {

// One way the lines "AB", "CD" and "EF" come into the report view.
struct Entry {
    const char *name;
    std::function<void(RichTextBox &)> enter;
};

void paste(RichTextBox &view, QMimeData *data)
{
    QApplication::clipboard()->setMimeData(data);
    QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
}

QMimeData *plain(const QString &text)
{
    auto *data = new QMimeData;
    data->setText(text);
    return data;
}

// Soft breaks, pasted line ends of any kind and received pieces all become real line ends.
const Entry kEntries[] = {
    {"typed with soft breaks",
     [](RichTextBox &view) {
         QTest::keyClicks(&view, QStringLiteral("AB"));
         QTest::keyClick(&view, Qt::Key_Return, Qt::ShiftModifier);
         QTest::keyClicks(&view, QStringLiteral("CD"));
         QTest::keyClick(&view, Qt::Key_Enter, Qt::ShiftModifier | Qt::KeypadModifier);
         QTest::keyClicks(&view, QStringLiteral("EF"));
     }},
    {"pasted with U+2028 and U+2029",
     [](RichTextBox &view) { paste(view, plain(QStringLiteral("AB\u2028CD\u2029EF"))); }},
    {"pasted with CR and CR LF", [](RichTextBox &view) { paste(view, plain(QStringLiteral("AB\rCD\r\nEF"))); }},
    {"pasted with a rich form beside the plain text",
     [](RichTextBox &view) {
         QMimeData *data = plain(QStringLiteral("AB\nCD\nEF"));
         data->setData(QStringLiteral("text/markdown"), "# AB\n\n* CD\n");
         data->setHtml(QStringLiteral("<h1>AB</h1><ul><li>CD</li></ul>"));
         paste(view, data);
     }},
    {"received in pieces",
     [](RichTextBox &view) {
         view.Append(QStringLiteral("AB\r"));
         view.Append(QStringLiteral("\nCD\rE"));
         view.Append(QStringLiteral("F"));
     }},
};

// A selection made by keys from the start of the text: `right` characters on, then with Shift
// `down` lines down and `across` characters on.
struct Selection {
    const char *name;
    int right;
    int down;
    int across;
    QString selected;
    QString printed; // as pdftotext reads the printed page, blank lines and spacing made one space
    QString afterDelete;
};

const Selection kSelections[] = {
    {"CD", 3, 0, 2, QStringLiteral("CD"), QStringLiteral("CD"), QStringLiteral("AB\r\n\r\nEF")},
    {"D to E", 4, 1, 0, QStringLiteral("D\r\nE"), QStringLiteral("D E"), QStringLiteral("AB\r\nCF")},
    {"the line end after AB", 2, 0, 1, QStringLiteral("\r\n"), QString(), QStringLiteral("ABCD\r\nEF")},
};

class SelectionTest : public support::WindowTest {
protected:
    void SetUp() override
    {
        form.setWorkbookOpener(opener, file(QStringLiteral("workbooks")));
        form.Form_Load();
        form.show();
    }

    void select(const Selection &selection)
    {
        RichTextBox &view = form.reportView();
        view.setFocus();
        QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
        for (int step = 0; step < selection.right; ++step)
            QTest::keyClick(&view, Qt::Key_Right);
        for (int step = 0; step < selection.down; ++step)
            QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
        for (int step = 0; step < selection.across; ++step)
            QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    }

    QPushButton *button(const char *name) { return support::button(form, name); }

    elvaro::serial::PortTable ports = elvaro::serial::PortTable::build({}, {});
    support::HookOpener opener;
    MainForm form{ports, messages, printDialog};
};

} // namespace

// Whatever way the lines came in, PRINT, EXPORT and DELETE of a selection act on exactly the
// characters selected in the view.
TEST_F(SelectionTest, PrintExportAndDeleteActOnExactlyTheSelectedCharacters)
{
    for (const Entry &entry : kEntries) {
        for (const Selection &selection : kSelections) {
            SCOPED_TRACE(std::string(entry.name) + ", " + selection.name);
            form.reportView().setText(QString());
            form.reportView().setFocus();
            entry.enter(form.reportView());
            ASSERT_EQ(form.reportView().Text(), QStringLiteral("AB\r\nCD\r\nEF"));
            ASSERT_EQ(form.reportView().document()->blockCount(), 3);
            select(selection);
            const RichTextBox &view = form.reportView();
            EXPECT_EQ(view.Text().mid(view.SelStart(), view.SelLength()), selection.selected);

            QFile::remove(pdfPath());
            button("CmdStampa")->click();
            EXPECT_EQ(support::pdfText(pdfPath()).simplified(), selection.printed);

            button("CmdEsporta")->click();
            EXPECT_EQ(form.exportBuffer().Text(), selection.selected);

            messages.answers = {true};
            button("CmdDelete")->click();
            EXPECT_EQ(form.reportView().Text(), selection.afterDelete);
        }
    }
    // The selected cells reach the workbook: the first selection of the last entry exported "CD"
    // on its own.
    const int exports = int(std::size(kEntries) * std::size(kSelections));
    ASSERT_EQ(opener.opened.size(), exports);
    EXPECT_EQ(elvaro::testing::readWorkbook(opener.opened[exports - int(std::size(kSelections))].toStdString()).cells,
              (elvaro::testing::Grid{{"A1", "s \"CD\""}}));
    EXPECT_EQ(
        elvaro::testing::readWorkbook(opener.opened[exports - int(std::size(kSelections)) + 1].toStdString()).cells,
        (elvaro::testing::Grid{{"A1", "s \"D\""}, {"A2", "s \"E\""}}));
}
