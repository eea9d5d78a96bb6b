#include "ShellTestSupport.h"

#include "shell/Colorful.h"

#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

using elvaro::shell::Colorful;
using elvaro::shell::testing::application;

namespace {

class ColorfulTest : public ::testing::Test
{
protected:
    void SetUp() override { application(); }
};

QColor pixel(QWidget &widget, int x, int y)
{
    return widget.grab().toImage().pixelColor(x, y);
}

} // namespace

TEST_F(ColorfulTest, ColourStartsRedAndReadsBackWhatWasWritten)
{
    Colorful lamp;
    EXPECT_EQ(lamp.Color(), 0x000000FF);
    lamp.setColor(0x0000FF00);
    EXPECT_EQ(lamp.Color(), 0x0000FF00);
}

TEST_F(ColorfulTest, ColourValuesAreBlueGreenRedWithRedInTheLowestByte)
{
    struct Case {
        qint32 value;
        QColor shown;
    };
    const Case cases[] = {{0x000000FF, Qt::red}, {0x0000FF00, Qt::green}, {0x00FF0000, Qt::blue},
                          {0x00102030, QColor(0x30, 0x20, 0x10)}};
    for (const Case &c : cases) {
        Colorful lamp;
        lamp.resize(40, 40);
        lamp.setColor(c.value);
        EXPECT_EQ(Colorful::toQColor(c.value), c.shown) << std::hex << c.value;
        // The border stays red, so the fill shows in the middle of the lamp.
        EXPECT_EQ(pixel(lamp, 20, 20), c.shown) << std::hex << c.value;
    }
}

TEST_F(ColorfulTest, AClickTurnsTheFillBlueWhateverItWas)
{
    for (const qint32 before : {Colorful::kRed, qint32(0x0000FF00), Colorful::kBlue}) {
        Colorful lamp;
        lamp.resize(40, 40);
        lamp.show();
        lamp.setColor(before);
        QTest::mouseClick(&lamp, Qt::LeftButton, {}, QPoint(20, 20));
        EXPECT_EQ(lamp.Color(), Colorful::kBlue);
        EXPECT_EQ(lamp.Shape1().borderColor, lamp.hasFocus() ? Colorful::kWhite : Colorful::kRed);
    }
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

    EXPECT_EQ(lamp->Shape1().borderColor, Colorful::kRed);
    lamp->setFocus();
    EXPECT_EQ(lamp->Shape1().borderColor, Colorful::kWhite);
    other->setFocus();
    EXPECT_EQ(lamp->Shape1().borderColor, Colorful::kBlack);
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
        {{27, 27}, {4, 4, 19, 19}, {4, 4, 19, 19}},
        {{30, 60}, {4, 4, 22, 52}, {4, 19, 22, 22}},
    };
    Colorful lamp;
    lamp.show();
    for (const Case &c : cases) {
        lamp.resize(c.size);
        EXPECT_EQ(lamp.Shape1().rect, c.shape) << c.size.width() << "x" << c.size.height();
        EXPECT_EQ(lamp.circle(), c.circle) << c.size.width() << "x" << c.size.height();
    }
}

TEST_F(ColorfulTest, TheDrawnCircleIsCentredAndShowsTheWindowAroundIt)
{
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette green = window.palette();
    green.setColor(QPalette::Window, Qt::green);
    window.setPalette(green);
    window.resize(120, 80);
    auto *lamp = new Colorful(&window);
    lamp->setGeometry(0, 0, 120, 80);
    const QImage image = window.grab().toImage();
    // Centre and the left and right edges of the 80-pixel circle centred in 120 pixels.
    EXPECT_EQ(image.pixelColor(60, 40), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(22, 40), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(97, 40), QColor(Qt::red));
    // Beside the circle and in its corners the window shows through.
    EXPECT_EQ(image.pixelColor(10, 40), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(110, 40), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(25, 3), QColor(Qt::green));
}
