#include "shell/RingShape.h"

#include <QPainter>

#include <algorithm>

namespace elvaro::shell {

RingShape::RingShape(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void RingShape::setBorderWidth(int width)
{
    m_borderWidth = width;
    update();
}

QRectF RingShape::outline() const
{
    const qreal diameter = std::min(width(), height()) - m_borderWidth;
    // The pen is centred on the outline, so the outline keeps half a border width from the edges.
    return QRectF((width() - diameter) / 2, (height() - diameter) / 2, diameter, diameter);
}

void RingShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::WindowText), m_borderWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(outline());
}

} // namespace elvaro::shell
