#include "shell/Anchors.h"

#include <QWidget>

#include <algorithm>

namespace elvaro::shell {

void Anchors::add(QWidget *control, Across across, Down down)
{
    m_controls.append({control, control->geometry(), across, down});
}

void Anchors::place(QSize window) const
{
    const int wider = std::max(0, window.width() - m_designed.width());
    const int taller = std::max(0, window.height() - m_designed.height());
    for (const Anchored &each : m_controls) {
        if (!each.control)
            continue;
        QRect rect = each.designed;
        switch (each.across) {
        case Across::Left:
            break;
        case Across::Right:
            rect.translate(wider, 0);
            break;
        case Across::Centre:
            rect.translate(wider / 2, 0);
            break;
        case Across::Stretch:
            rect.setWidth(rect.width() + wider);
            break;
        }
        switch (each.down) {
        case Down::Top:
            break;
        case Down::Bottom:
            rect.translate(0, taller);
            break;
        case Down::Stretch:
            rect.setHeight(rect.height() + taller);
            break;
        }
        each.control->setGeometry(rect);
    }
}

} // namespace elvaro::shell
