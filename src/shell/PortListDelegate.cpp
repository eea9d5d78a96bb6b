#include "shell/PortListDelegate.h"

namespace elvaro::shell {

void PortListDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QString shown = index.data(kShownTextRole).toString();
    if (!shown.isEmpty())
        option->text = shown;
}

} // namespace elvaro::shell
