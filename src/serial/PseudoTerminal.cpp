#include "serial/PseudoTerminal.h"

#include "system/DeviceOpen.h"
#include "system/SystemText.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace elvaro::serial {

namespace {

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(system::errorText(errno)));
}

short masterEvents(int master, short events)
{
    pollfd entry{master, events, 0};
    while (::poll(&entry, 1, 0) < 0) {
        if (errno != EINTR)
            return POLLERR;
    }
    return entry.revents;
}

} // namespace

PseudoTerminal::~PseudoTerminal()
{
    close();
}

bool PseudoTerminal::open()
{
    close();
    int master = -1;
    int device = -1;
    char name[256] = {};
    if (::openpty(&master, &device, name, nullptr, nullptr) != 0) {
        m_errorString = systemError("cannot create a pseudo-terminal");
        return false;
    }
    termios settings{};
    const bool configured =
        ::tcgetattr(device, &settings) == 0 && (::cfmakeraw(&settings), ::tcsetattr(device, TCSANOW, &settings) == 0);
    const int flags = ::fcntl(master, F_GETFL);
    const bool nonBlocking = flags >= 0 && ::fcntl(master, F_SETFL, flags | O_NONBLOCK) == 0;
    const bool cloexec = ::fcntl(master, F_SETFD, FD_CLOEXEC) == 0;
    if (!configured || !nonBlocking || !cloexec) {
        m_errorString = systemError("cannot configure the pseudo-terminal");
        ::close(device);
        ::close(master);
        return false;
    }
    ::close(device);
    m_master = master;
    m_devicePath = QString::fromLocal8Bit(name);
    m_errorString.clear();
    return true;
}

void PseudoTerminal::close()
{
    if (m_device >= 0)
        ::close(std::exchange(m_device, -1));
    if (m_master >= 0)
        ::close(std::exchange(m_master, -1));
}

bool PseudoTerminal::holdDeviceOpen()
{
    if (m_device >= 0)
        return true;
    const QByteArray path = m_devicePath.toLocal8Bit();
    m_device = ::open(path.constData(), system::kDeviceOpenFlags);
    if (m_device < 0) {
        m_errorString = systemError("cannot open the device side of the pseudo-terminal");
        return false;
    }
    return true;
}

bool PseudoTerminal::deviceIsOpen() const
{
    if (m_master < 0)
        return false;
    return (masterEvents(m_master, 0) & (POLLHUP | POLLERR | POLLNVAL)) == 0;
}

long PseudoTerminal::writeSome(std::string_view bytes)
{
    if (m_master < 0) {
        m_errorString = QStringLiteral("the pseudo-terminal is not open");
        return -1;
    }
    for (;;) {
        const ssize_t written = ::write(m_master, bytes.data(), bytes.size());
        if (written >= 0)
            return static_cast<long>(written);
        if (errno == EAGAIN)
            return 0;
        if (errno != EINTR) {
            m_errorString = systemError("cannot write to the pseudo-terminal");
            return -1;
        }
    }
}

bool PseudoTerminal::writeAll(std::string_view bytes, std::chrono::milliseconds stallLimit)
{
    while (!bytes.empty()) {
        const long written = writeSome(bytes);
        if (written < 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
        if (bytes.empty())
            return true;
        if (written > 0)
            continue;
        // The pair is full: wait until the device side reads or goes away.
        pollfd entry{m_master, POLLOUT, 0};
        int ready = 0;
        do {
            ready = ::poll(&entry, 1, static_cast<int>(stallLimit.count()));
        } while (ready < 0 && errno == EINTR);
        if (ready < 0) {
            m_errorString = systemError("cannot wait for the pseudo-terminal");
            return false;
        }
        if (ready == 0) {
            m_errorString = QStringLiteral("the program on %1 stopped reading").arg(m_devicePath);
            return false;
        }
        if ((entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            m_errorString = QStringLiteral("the program on %1 closed it").arg(m_devicePath);
            return false;
        }
    }
    return true;
}

void PseudoTerminal::discardUnread()
{
    if (m_master < 0)
        return;
    // Flushing from the master end misses bytes already handed to the device side's line
    // discipline; only flushing the device side's input catches them.
    if (m_device >= 0) {
        ::tcflush(m_device, TCIFLUSH);
        return;
    }
    const QByteArray path = m_devicePath.toLocal8Bit();
    const int device = ::open(path.constData(), system::kDeviceOpenFlags);
    if (device < 0)
        return;
    ::tcflush(device, TCIFLUSH);
    ::close(device);
}

} // namespace elvaro::serial
