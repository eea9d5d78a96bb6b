#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include <memory>

// Tells when programs open and close a device file, through the kernel's file notifications
// (inotify), from the event loop: no thread, no polling. Every open and every last close of an
// opened file counts, also an open and a close that follow each other at once.
namespace elvaro::simulator {

class DeviceWatch : public QObject {
    Q_OBJECT

public:
    explicit DeviceWatch(QObject *parent = nullptr);
    ~DeviceWatch() override;
    DeviceWatch(const DeviceWatch &) = delete;
    DeviceWatch &operator=(const DeviceWatch &) = delete;

    // Starts watching the device. On failure returns false and sets errorString().
    bool watch(const QString &device);
    QString errorString() const { return m_errorString; }

signals:
    // The opens and the closes noticed since the last emission.
    void activity(int opens, int closes);

private:
    void readEvents();

    int m_inotify = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QString m_errorString;
};

} // namespace elvaro::simulator
