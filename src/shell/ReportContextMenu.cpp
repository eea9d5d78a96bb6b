#include "shell/ReportContextMenu.h"

#include "shell/RichTextBox.h"

#include <QMenu>

#include <memory>

namespace elvaro::shell {

ReportContextMenu::ReportContextMenu(RichTextBox &view, QList<QAction *> commands)
    : QObject(&view), m_view(view), m_commands(std::move(commands))
{
    m_view.setContextMenuPolicy(Qt::CustomContextMenu);
}

void ReportContextMenu::show(const QPoint &position)
{
    const std::unique_ptr<QMenu> menu(m_view.createStandardContextMenu(position));
    menu->setObjectName(QStringLiteral("reportContextMenu"));
    menu->addSeparator();
    menu->addActions(m_commands);
    menu->exec(m_view.viewport()->mapToGlobal(position));
}

} // namespace elvaro::shell
