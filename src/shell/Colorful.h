#pragma once

#include <QRectF>
#include <QWidget>

// The status lamp: a filled circle that fills the control. Colours are 0x00BBGGRR values.
// A click turns the fill blue; gaining the focus turns the border white, losing it black.
namespace elvaro::shell {

class Colorful : public QWidget {
    Q_OBJECT

public:
    static constexpr qint32 kRed = 0x000000FF;
    static constexpr qint32 kBlue = 0x00FF0000;
    static constexpr qint32 kWhite = 0x00FFFFFF;
    static constexpr qint32 kBlack = 0x00000000;

    // The circle the control draws: its rectangle and how it is painted.
    struct Shape {
        QRectF rect;
        qint32 fillColor = kRed;
        qint32 borderColor = kRed;
        int borderWidth = 8;
    };

    explicit Colorful(QWidget *parent = nullptr);

    qint32 Color() const;
    void setColor(qint32 color);

    const Shape &shape() const { return m_shape; }

    // The largest circle that fits the shape's rectangle, centred in it.
    QRectF circle() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void UserControl_Click();
    void UserControl_GotFocus();
    void UserControl_LostFocus();
    void UserControl_Resize();

    Shape m_shape;
};

} // namespace elvaro::shell
