#pragma once

#include <QStyledItemDelegate>

// Shows the entries of the port list's drop-down with what each number stands for ("2  ttyS0: no
// permission"), while the entry's text, which the field takes on a choice, stays the bare number.
namespace elvaro::shell {

class PortListDelegate : public QStyledItemDelegate {
public:
    // The role that holds the drop-down's text of an entry.
    static constexpr int kShownTextRole = Qt::UserRole + 1;

    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};

} // namespace elvaro::shell
