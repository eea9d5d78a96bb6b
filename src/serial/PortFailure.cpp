#include "serial/PortFailure.h"

#include <cerrno>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace elvaro::serial {

OpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, int lookupErrno, int accessErrno)
{
    if (lookupErrno == ENOENT || lookupErrno == ENOTDIR || lookupErrno == ENXIO || lookupErrno == ENODEV
        || error == QSerialPort::DeviceNotFoundError)
        return OpenFailure::NoSuchDevice;
    if (accessErrno == EACCES || accessErrno == EPERM || accessErrno == EROFS)
        return OpenFailure::NoPermission;
    // Both another program's lock file and another program's exclusive open come back as a
    // permission error although the user may use the device.
    if (error == QSerialPort::PermissionError)
        return OpenFailure::InUse;
    if (error == QSerialPort::UnsupportedOperationError)
        return OpenFailure::NotSerialPort;
    return OpenFailure::Other;
}

OpenFailure diagnoseOpenFailure(const QString &device, QSerialPort::SerialPortError error)
{
    const QByteArray path = device.toLocal8Bit();
    struct stat status {};
    const int lookupErrno = ::stat(path.constData(), &status) == 0 ? 0 : errno;
    const int accessErrno = lookupErrno != 0 || ::access(path.constData(), R_OK) == 0 ? 0 : errno;
    return classifyOpenFailure(error, lookupErrno, accessErrno);
}

QString openFailureMessage(const QString &device, OpenFailure failure, const QString &detail, const QString &group)
{
    switch (failure) {
    case OpenFailure::NoSuchDevice:
        return QStringLiteral("Cannot open %1: there is no such device. Check that the instrument's "
                              "cable or USB adapter is plugged in and that the port number is right.")
            .arg(device);
    case OpenFailure::InUse:
        return QStringLiteral("Cannot open %1: the port is in use by another program. Close that "
                              "program and try again.")
            .arg(device);
    case OpenFailure::NoPermission:
        if (group.isEmpty())
            return QStringLiteral("Cannot open %1: you have no permission to use it. Ask the "
                                  "administrator for access to it.")
                .arg(device);
        return QStringLiteral("Cannot open %1: you have no permission to use it. Ask the "
                              "administrator to add you to the group '%2', then log in again.")
            .arg(device, group);
    case OpenFailure::NotSerialPort:
        return QStringLiteral("Cannot open %1: it is not a serial port. Choose the port the "
                              "instrument is connected to.")
            .arg(device);
    case OpenFailure::Other:
        break;
    }
    return QStringLiteral("Cannot open %1: %2.").arg(device, detail);
}

QString readFailureMessage(const QString &device, bool deviceGone, const QString &detail)
{
    if (deviceGone)
        return QStringLiteral("The connection to %1 was lost: the device is gone (cable or USB "
                              "adapter unplugged?). The text received so far is kept.")
            .arg(device);
    return QStringLiteral("Reading from %1 failed: %2. The text received so far is kept.").arg(device, detail);
}

QString owningGroup(const QString &device)
{
    struct stat status {};
    if (::stat(device.toLocal8Bit().constData(), &status) != 0)
        return QString();
    const group *owner = ::getgrgid(status.st_gid);
    if (owner == nullptr)
        return QString();
    return QString::fromLocal8Bit(owner->gr_name);
}

} // namespace elvaro::serial
