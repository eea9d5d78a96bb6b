#pragma once

#include <QObject>
#include <QStringList>

class QMimeData;
class QWidget;

// Files dragged from the desktop onto the watched widgets. While enabled, a drag that carries
// local files is accepted and its drop hands the files on; while disabled it is refused. Either
// way the watched widgets never see it, so the report view does not take a file's name for text.
// Any other drag (text dragged within the view) goes on to the widget as before.
namespace elvaro::shell {

class FileDrop : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    void watch(QWidget &target);
    void setEnabled(bool enabled) { m_enabled = enabled; }

    // The local files a drag carries; empty when it carries anything else as well or instead.
    static QStringList localFiles(const QMimeData &data);

signals:
    void filesDropped(const QStringList &paths);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_enabled = true;
};

} // namespace elvaro::shell
