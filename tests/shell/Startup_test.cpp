#include "ShellTestSupport.h"

using elvaro::serial::PortTable;
using elvaro::shell::testing::button;

namespace {

QComboBox *combo(SettingPage &page)
{
    return page.findChild<QComboBox *>(QStringLiteral("Combo"));
}

class FailingModule final : public Module1 {
public:
    using Module1::Module1;

protected:
    std::unique_ptr<MainForm> createMainForm() override { throw std::runtime_error("no window"); }
};

// A pseudo-terminal whose device side stands in for the instrument's serial port.
class StartupTest : public elvaro::shell::testing::WindowTest {
protected:
    void SetUp() override { ASSERT_TRUE(terminal.open()) << terminal.errorString().toStdString(); }
    elvaro::serial::PseudoTerminal terminal;
};

} // namespace

// Quit, Esc or closing the port window end the program without a main window; OK shows the main
// window with the chosen port number and the port window gone; a failure after the choice
// shows the start-up message.
TEST_F(StartupTest, MainAsksForThePortThenShowsTheMainWindowOrEnds)
{
    const std::function<void(SettingPage &)> ok = [](SettingPage &page) {
        EXPECT_EQ(page.windowTitle(), "SETTING PAGE");
        EXPECT_EQ(combo(page)->currentText(), "5");
        button(page, "OKButton")->click();
    };
    const std::tuple<std::function<void(SettingPage &)>, bool, Module1::Started> cases[] = {
        {[](SettingPage &page) { button(page, "CancelButton")->click(); }, false, Module1::Started::Quit},
        {[](SettingPage &page) { QTest::keyClick(&page, Qt::Key_Escape); }, false, Module1::Started::Quit},
        {[](SettingPage &page) { page.close(); }, false, Module1::Started::Quit},
        {ok, false, Module1::Started::MainWindowShown},
        {ok, true, Module1::Started::Failed}};
    const PortTable ports = PortTable::build({{5, terminal.devicePath()}}, {});
    for (const auto &[act, failing, started] : cases) {
        std::unique_ptr<Module1> module = failing ? std::make_unique<FailingModule>(ports, messages, printDialog)
                                                  : std::make_unique<Module1>(ports, messages, printDialog);
        // Acts on the port window once it is up in its modal loop, the way a person would.
        QTimer::singleShot(0, [&act] {
            auto *page = qobject_cast<SettingPage *>(QApplication::activeModalWidget());
            ASSERT_TRUE(page) << "the port window is not shown modally";
            act(*page);
        });
        ASSERT_EQ(module->Main(), started);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the port window must be gone";
        MainForm *form = module->mainForm();
        EXPECT_EQ(form != nullptr, started == Module1::Started::MainWindowShown);
        EXPECT_EQ(messages.take(kDebugTitle, MessageBoxes::Icon::Critical),
                  failing ? QStringList{"Error on loading main form!"} : QStringList());
        if (form) {
            EXPECT_TRUE(form->isVisible());
            EXPECT_EQ(form->com(), "5");
            EXPECT_EQ(form->reportView().Text(), QString());
            EXPECT_FALSE(button(*form, "CmdStampa")->isEnabled());
        }
    }
}

TEST_F(StartupTest, ThePortWindowListsEveryPortWithWhyItCannotBeOpenedAndShowsTheFirstThatCan)
{
    elvaro::serial::PseudoTerminal second;
    ASSERT_TRUE(second.open());
    const PortTable ports = PortTable::build({{3, second.devicePath()},
                                              {1, QStringLiteral("/dev/null")},
                                              {2, QStringLiteral("/dev/elvaro-missing")},
                                              {5, terminal.devicePath(), QStringLiteral("Simulated instrument")}},
                                             {});
    SettingPage page(ports, messages);
    page.Form_Load();
    page.show();
    // A device that is there but no port, and a pinned one that is missing, are listed with the reason.
    QStringList shown;
    for (int index = 0; index < combo(page)->count(); ++index)
        shown.append(combo(page)->itemText(index) + u'/'
                     + combo(page)->itemData(index, elvaro::shell::PortListDelegate::kShownTextRole).toString());
    EXPECT_EQ(shown, (QStringList{"1/1  null: not a serial port", "2/2  elvaro-missing: no such device",
                                  "3/3  " + ports.describe(3), "5/5  Simulated instrument"}));
    EXPECT_EQ(combo(page)->currentText(), "3");
    EXPECT_FALSE(page.OK);
    auto *device = page.findChild<QLabel *>(QStringLiteral("LblDevice"));
    auto *reason = page.findChild<QLabel *>(QStringLiteral("LblReason"));
    EXPECT_EQ(device->text(), ports.describe(3));
    EXPECT_EQ(reason->text(), "Also found, but cannot be opened: 1 null (not a serial port), 2 elvaro-missing (no such "
                              "device). Choose one to see why.");
    combo(page)->setCurrentIndex(0);
    EXPECT_EQ(device->toolTip(), "null: cannot be opened, not a serial port");
    const QString notAPort =
        "Cannot open /dev/null: it is not a serial port. Choose the port the instrument is connected to.";
    EXPECT_EQ(reason->text(), notAPort);
    EXPECT_TRUE(reason->isVisible());
    EXPECT_LE(reason->geometry().bottom(), page.height());

    // OK on it says why and leaves the field ready for another number.
    button(page, "OKButton")->click();
    EXPECT_EQ(messages.take(), QStringList{notAPort});
    EXPECT_FALSE(page.OK);
    EXPECT_EQ(page.focusWidget(), combo(page));
}

// OK with a field that names no port says what is wrong and what to do, with the field ready for
// another number; with no port at all the window still opens, with an empty editable field.
TEST_F(StartupTest, OkWithAFieldThatNamesNoPortSaysSoAndKeepsTheWindowOpen)
{
    const PortTable one = PortTable::build({{1, terminal.devicePath()}}, {});
    const PortTable none = PortTable::build({}, {});
    // Each message by its start: what is wrong, then what to do.
    const QString notANumber =
        "\"%1\" is not a port number. Choose a port from the list or type a number from 1 to 16.";
    const QString noDevice = "Port %1 names no serial device on this computer. Choose a port from the list, or connect";
    std::vector<std::tuple<const PortTable &, QString, QString>> cases = {
        {one, "4", noDevice},
        {none, "", "No serial port was found on this computer.\n\nConnect the instrument with its serial cable"},
        {none, "abc", "\"%1\" is not a port number. Type a number from 1 to 16."},
        {none, "3", noDevice}};
    for (const char *typed : {"abc", "", "0", "17", "70000", "2.5"})
        cases.emplace_back(one, typed, notANumber);
    for (const auto &[ports, typed, message] : cases) {
        SettingPage page(ports, messages);
        page.Form_Load();
        page.show();
        if (ports.ports().isEmpty()) {
            EXPECT_EQ(combo(page)->count(), 0);
            EXPECT_TRUE(combo(page)->isEditable());
            EXPECT_EQ(page.findChild<QLabel *>(QStringLiteral("LblDevice"))->text(), "No serial port found");
        }
        combo(page)->setEditText(typed);
        button(page, "OKButton")->click();
        const QStringList told = messages.take(kShownTitle, MessageBoxes::Icon::Warning);
        ASSERT_EQ(told.size(), 1) << typed.toStdString();
        EXPECT_TRUE(told[0].startsWith(QString(message).replace(QStringLiteral("%1"), typed))) << told[0].toStdString();
        // Still open, with nothing chosen and the field ready for another number.
        EXPECT_TRUE(!page.OK && page.COM == 0 && page.isVisible() && page.focusWidget() == combo(page))
            << typed.toStdString();
    }
}
