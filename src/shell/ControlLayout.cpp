#include "shell/ControlLayout.h"

#include <QWidget>

#include <stdexcept>
#include <string>

namespace elvaro::shell {

void WindowLayout::place(QWidget &window) const
{
    for (const ControlPlace &control : controls) {
        auto *widget = window.findChild<QWidget *>(QLatin1String(control.name), Qt::FindDirectChildrenOnly);
        if (widget == nullptr) {
            throw std::logic_error("The window " + window.objectName().toStdString() + " has no control named "
                                   + control.name + " to place.");
        }
        const int height =
            control.height == ControlPlace::kOwnHeight ? widget->sizeHint().height() : twips(control.height);
        widget->setGeometry(twips(control.left), twips(control.top), twips(control.width), height);
    }
}

} // namespace elvaro::shell
