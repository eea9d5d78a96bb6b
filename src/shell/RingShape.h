#pragma once

#include <QWidget>

// A circle outline drawn on its window (the ring that frames the status lamp).
namespace elvaro::shell {

class RingShape : public QWidget {
    Q_OBJECT

public:
    explicit RingShape(QWidget *parent = nullptr);

    int borderWidth() const { return m_borderWidth; }
    void setBorderWidth(int width);

    // The circle's outline lies inside the control: its outer edge touches the control's edges.
    QRectF outline() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_borderWidth = 3;
};

} // namespace elvaro::shell
