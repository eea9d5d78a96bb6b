#include "ShellTestSupport.h"

#include "shell/Colorful.h"

#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

using elvaro::shell::Colorful;

using ColorfulTest = elvaro::shell::testing::WidgetTest;

TEST_F(ColorfulTest, ColourReadsBackAndAClickTurnsItBlue)
{
    Colorful lamp;
    lamp.resize(40, 40);
    lamp.show();
    EXPECT_EQ(lamp.Color(), 0x000000FF);
    lamp.setColor(0x0000FF00);
    EXPECT_EQ(lamp.Color(), 0x0000FF00);
    // Colour values are 0x00BBGGRR: this one shows green.
    EXPECT_EQ(lamp.grab().toImage().pixelColor(20, 20), QColor(Qt::green));
    QTest::mouseClick(&lamp, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(lamp.Color(), 0x00FF0000);
    EXPECT_EQ(lamp.grab().toImage().pixelColor(20, 20), QColor(Qt::blue));
}

TEST_F(ColorfulTest, FocusTurnsTheBorderWhiteAndLosingItBlack)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *other = new QLineEdit;
    auto *lamp = new Colorful;
    layout->addWidget(other);
    layout->addWidget(lamp);
    other->setFocus();
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    EXPECT_EQ(lamp->shape().borderColor, Colorful::kRed);
    lamp->setFocus();
    EXPECT_EQ(lamp->shape().borderColor, Colorful::kWhite);
    other->setFocus();
    EXPECT_EQ(lamp->shape().borderColor, Colorful::kBlack);
    EXPECT_EQ(lamp->Color(), Colorful::kRed);
}

TEST_F(ColorfulTest, TheCircleFitsTheControlOnResize)
{
    struct Case {
        QSize size;
        QRectF shape;
        QRectF circle;
    };
    const Case cases[] = {
        {{400, 400}, {4, 4, 392, 392}, {4, 4, 392, 392}},
        {{600, 400}, {4, 4, 592, 392}, {104, 4, 392, 392}},
        {{30, 60}, {4, 4, 22, 52}, {4, 19, 22, 22}},
    };
    Colorful lamp;
    lamp.show();
    for (const Case &c : cases) {
        lamp.resize(c.size);
        EXPECT_EQ(lamp.shape().rect, c.shape) << c.size.width() << "x" << c.size.height();
        EXPECT_EQ(lamp.circle(), c.circle) << c.size.width() << "x" << c.size.height();
    }
}

TEST_F(ColorfulTest, TheDrawnCircleIsCentredOnTheControlsWhiteBackground)
{
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette green = window.palette();
    green.setColor(QPalette::Window, Qt::green);
    window.setPalette(green);
    window.resize(140, 100);
    auto *lamp = new Colorful(&window);
    lamp->setGeometry(10, 10, 120, 80);
    const QImage image = window.grab().toImage();
    // The 80-pixel circle centred in 120 pixels: its middle and both sides are red.
    for (const int x : {32, 70, 107})
        EXPECT_EQ(image.pixelColor(x, 50), QColor(Qt::red)) << x;
    // Beside the circle and in its corners the control is white; around the control the window shows.
    for (const QPoint white : {QPoint(20, 50), QPoint(120, 50), QPoint(11, 11), QPoint(129, 89)})
        EXPECT_EQ(image.pixelColor(white), QColor(Qt::white)) << white.x() << "," << white.y();
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::green));
}
