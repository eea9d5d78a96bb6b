#include "shell/FileDrop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace elvaro::shell {

void FileDrop::watch(QWidget &target)
{
    target.setAcceptDrops(true);
    target.installEventFilter(this);
}

QStringList FileDrop::localFiles(const QMimeData &data)
{
    QStringList paths;
    for (const QUrl &url : data.urls()) {
        if (!url.isLocalFile())
            return {};
        paths.append(url.toLocalFile());
    }
    return paths;
}

bool FileDrop::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto *drop = static_cast<QDropEvent *>(event);
    const QStringList paths = localFiles(*drop->mimeData());
    if (paths.isEmpty())
        return QObject::eventFilter(watched, event);
    if (!m_enabled) {
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    if (type == QEvent::Drop)
        emit filesDropped(paths);
    return true;
}

} // namespace elvaro::shell
