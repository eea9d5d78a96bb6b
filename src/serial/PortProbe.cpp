#include "serial/PortProbe.h"

#include "system/DeviceOpen.h"
#include "system/SystemText.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace elvaro::serial {

PortProbe PortProbe::of(const QString &device)
{
    PortProbe probe;
    if (device.isEmpty()) {
        probe.failure = OpenFailure::NoSuchDevice;
        return probe;
    }
    const QByteArray path = QFile::encodeName(device);
    struct stat status {};
    probe.exists = ::stat(path.constData(), &status) == 0;
    // A file or folder is no port, whatever its permissions say.
    if (probe.exists && !S_ISCHR(status.st_mode)) {
        probe.failure = OpenFailure::NotSerialPort;
        return probe;
    }
    // No read or write happens; the flags keep the open from waiting or taking the terminal.
    const int fd = ::open(path.constData(), system::kDeviceOpenFlags);
    if (fd < 0) {
        const int error = errno;
        probe.failure = classifyOpenErrno(error);
        probe.detail = QString::fromLocal8Bit(system::errorText(error));
        return probe;
    }
    const bool terminal = ::isatty(fd) == 1;
    ::close(fd);
    probe.openable = terminal;
    if (!terminal)
        probe.failure = OpenFailure::NotSerialPort;
    return probe;
}

QString PortProbe::summary() const
{
    return openable ? QString() : openFailureSummary(failure, detail);
}

QString PortProbe::message(const QString &device) const
{
    return openable ? QString() : openFailureMessage(device, failure, detail);
}

} // namespace elvaro::serial
