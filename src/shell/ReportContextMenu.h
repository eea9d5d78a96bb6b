#pragma once

#include <QList>
#include <QObject>

class QAction;
class QPoint;

// The report view's context menu: the view's own editing commands, then the given commands of the
// window (saving and opening reports).
namespace elvaro::shell {

class RichTextBox;

class ReportContextMenu : public QObject {
    Q_OBJECT

public:
    ReportContextMenu(RichTextBox &view, QList<QAction *> commands);

    // Shows the menu at `position` in the view's viewport, as customContextMenuRequested gives it.
    void show(const QPoint &position);

private:
    RichTextBox &m_view;
    QList<QAction *> m_commands;
};

} // namespace elvaro::shell
