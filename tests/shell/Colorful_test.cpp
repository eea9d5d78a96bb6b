#include "ShellTestSupport.h"

#include "shell/Colorful.h"

#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

using elvaro::shell::Colorful;

using ColorfulTest = elvaro::shell::testing::WidgetTest;

// Colours are 0x00BBGGRR; a click turns the lamp blue, the focus turns its border white and
// losing it black; the circle is centred on the control's white background.
TEST_F(ColorfulTest, ColourClickFocusAndTheCircleOnItsWhiteBackground)
{
    QWidget window;
    QPalette green = window.palette();
    green.setColor(QPalette::Window, Qt::green);
    window.setPalette(green);
    window.setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(&window);
    auto *other = new QLineEdit;
    auto *lamp = new Colorful;
    lamp->setMinimumSize(40, 40);
    layout->addWidget(other);
    layout->addWidget(lamp);
    other->setFocus();
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    EXPECT_EQ(lamp->Color(), Colorful::kRed);
    EXPECT_EQ(lamp->shape().borderColor, Colorful::kRed);
    lamp->setFocus();
    EXPECT_EQ(lamp->shape().borderColor, Colorful::kWhite);
    other->setFocus();
    EXPECT_EQ(lamp->shape().borderColor, Colorful::kBlack);
    lamp->setColor(0x0000FF00);
    EXPECT_EQ(lamp->Color(), 0x0000FF00);
    EXPECT_EQ(lamp->grab().toImage().pixelColor(lamp->rect().center()), QColor(Qt::green));
    QTest::mouseClick(lamp, Qt::LeftButton, {}, lamp->rect().center());
    EXPECT_EQ(lamp->Color(), 0x00FF0000);
    EXPECT_EQ(lamp->grab().toImage().pixelColor(lamp->rect().center()), QColor(Qt::blue));

    delete layout;
    other->hide();
    lamp->hide();
    auto *fresh = new Colorful(&window);
    fresh->show();
    window.resize(140, 100);
    fresh->setGeometry(10, 10, 120, 80);
    const QImage image = window.grab().toImage();
    // The 80-pixel circle centred in 120 pixels: its middle and both sides are red; beside it and in
    // its corners the control is white; around the control the window shows.
    for (const int x : {32, 70, 107})
        EXPECT_EQ(image.pixelColor(x, 50), QColor(Qt::red)) << x;
    for (const QPoint white : {QPoint(20, 50), QPoint(120, 50), QPoint(11, 11), QPoint(129, 89)})
        EXPECT_EQ(image.pixelColor(white), QColor(Qt::white)) << white.x() << "," << white.y();
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::green));
}
