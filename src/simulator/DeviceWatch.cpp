#include "simulator/DeviceWatch.h"

#include "system/SystemText.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <sys/inotify.h>
#include <unistd.h>

namespace elvaro::simulator {

namespace {

QString cannotWatch(const QString &device)
{
    return QStringLiteral("cannot watch %1: %2").arg(device, QString::fromLocal8Bit(system::errorText(errno)));
}

} // namespace

DeviceWatch::DeviceWatch(QObject *parent) : QObject(parent) {}

DeviceWatch::~DeviceWatch()
{
    m_notifier.reset();
    if (m_inotify >= 0)
        ::close(m_inotify);
}

bool DeviceWatch::watch(const QString &device)
{
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0) {
        m_errorString = cannotWatch(device);
        return false;
    }
    if (::inotify_add_watch(m_inotify, device.toLocal8Bit().constData(), IN_OPEN | IN_CLOSE) < 0) {
        m_errorString = cannotWatch(device);
        ::close(std::exchange(m_inotify, -1));
        return false;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_inotify, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &DeviceWatch::readEvents);
    return true;
}

void DeviceWatch::readEvents()
{
    int opens = 0;
    int closes = 0;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t length = ::read(m_inotify, buffer, sizeof buffer);
        if (length <= 0)
            break;
        for (ssize_t offset = 0; offset < length;) {
            inotify_event event{};
            std::memcpy(&event, buffer + offset, sizeof event);
            offset += static_cast<ssize_t>(sizeof event + event.len);
            if ((event.mask & IN_OPEN) != 0)
                ++opens;
            if ((event.mask & IN_CLOSE) != 0)
                ++closes;
        }
    }
    if (opens > 0 || closes > 0)
        emit activity(opens, closes);
}

} // namespace elvaro::simulator
