#include "shell/Colorful.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace elvaro::shell {

namespace {

// A 0x00BBGGRR colour value.
QColor toQColor(qint32 color)
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

} // namespace

Colorful::Colorful(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    // The control's own background is white: it shows in the corners around the circle.
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    UserControl_Resize();
}

qint32 Colorful::Color() const
{
    return m_shape.fillColor;
}

void Colorful::setColor(qint32 color)
{
    m_shape.fillColor = color;
    update();
}

QRectF Colorful::circle() const
{
    const QRectF &rect = m_shape.rect;
    const qreal diameter = std::min(rect.width(), rect.height());
    return QRectF(rect.left() + (rect.width() - diameter) / 2, rect.top() + (rect.height() - diameter) / 2, diameter,
                  diameter);
}

void Colorful::UserControl_Click()
{
    setColor(kBlue);
}

void Colorful::UserControl_GotFocus()
{
    m_shape.borderColor = kWhite;
    update();
}

void Colorful::UserControl_LostFocus()
{
    m_shape.borderColor = kBlack;
    update();
}

void Colorful::UserControl_Resize()
{
    // The border is drawn centred on the circle's outline, so half of it lies inside the shape's
    // rectangle and the other half in this margin: the lamp, border included, fills the control.
    const qreal margin = m_shape.borderWidth / 2.0;
    m_shape.rect = QRectF(static_cast<float>(margin), static_cast<float>(margin),
                          static_cast<float>(width() - 2 * margin), static_cast<float>(height() - 2 * margin));
    update();
}

void Colorful::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(toQColor(m_shape.borderColor), m_shape.borderWidth));
    painter.setBrush(toQColor(m_shape.fillColor));
    painter.drawEllipse(circle());
}

void Colorful::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        UserControl_Click();
    QWidget::mouseReleaseEvent(event);
}

void Colorful::focusInEvent(QFocusEvent *event)
{
    UserControl_GotFocus();
    QWidget::focusInEvent(event);
}

void Colorful::focusOutEvent(QFocusEvent *event)
{
    UserControl_LostFocus();
    QWidget::focusOutEvent(event);
}

void Colorful::resizeEvent(QResizeEvent *event)
{
    UserControl_Resize();
    QWidget::resizeEvent(event);
}

} // namespace elvaro::shell
