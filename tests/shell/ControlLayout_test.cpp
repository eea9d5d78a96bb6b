#include "ShellTestSupport.h"

#include "shell/ControlLayout.h"

#include <QComboBox>
#include <QLabel>

#include <stdexcept>

using elvaro::shell::ControlPlace;
using elvaro::shell::WindowLayout;

using ControlLayoutTest = elvaro::shell::testing::WidgetTest;

TEST_F(ControlLayoutTest, EachControlGoesToItsPlaceInPixelsOrTakesItsOwnHeight)
{
    QWidget window;
    auto *label = new QLabel(&window);
    label->setObjectName(QStringLiteral("label"));
    auto *list = new QComboBox(&window);
    list->setObjectName(QStringLiteral("list"));
    const ControlPlace places[] = {{"label", 150, 300, 1500, 375}, {"list", 0, 8, 855, ControlPlace::kOwnHeight}};
    const WindowLayout layout{3000, 1500, places};

    layout.place(window);
    EXPECT_EQ(layout.size(), QSize(200, 100));
    EXPECT_EQ(label->geometry(), QRect(10, 20, 100, 25));
    // Eight twips, more than half a pixel, make one pixel.
    EXPECT_EQ(list->geometry(), QRect(0, 1, 57, list->sizeHint().height()));
}

TEST_F(ControlLayoutTest, APlaceForAControlTheWindowLacksIsRefusedWithItsName)
{
    QWidget window;
    window.setObjectName(QStringLiteral("SomeWindow"));
    const ControlPlace places[] = {{"missing", 0, 0, 15, 15}};
    try {
        WindowLayout{150, 150, places}.place(window);
        ADD_FAILURE() << "a missing control was placed";
    } catch (const std::logic_error &problem) {
        EXPECT_STREQ(problem.what(), "The window SomeWindow has no control named missing to place.");
    }
}
