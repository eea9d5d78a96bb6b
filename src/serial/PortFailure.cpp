#include "serial/PortFailure.h"

#include <QList>

#include <cerrno>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace elvaro::serial {

namespace {

// The group that users of serial ports belong to on most systems.
constexpr const char *kSerialGroup = "dialout";

// The mode as ls shows it: "crw-rw----".
QString modeText(mode_t mode)
{
    QString text = S_ISCHR(mode) ? QStringLiteral("c") : S_ISDIR(mode) ? QStringLiteral("d") : QStringLiteral("-");
    const char letters[] = "rwx";
    for (int bit = 8; bit >= 0; --bit)
        text.append((mode & (1u << bit)) ? QLatin1Char(letters[(8 - bit) % 3]) : QLatin1Char('-'));
    return text;
}

QString userName(uid_t uid)
{
    const passwd *entry = ::getpwuid(uid);
    return entry != nullptr ? QString::fromLocal8Bit(entry->pw_name) : QString::number(uid);
}

bool processHasGroup(gid_t gid)
{
    if (::getegid() == gid)
        return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0)
        return false;
    QList<gid_t> groups(count);
    const int filled = ::getgroups(count, groups.data());
    return filled > 0 && groups.first(filled).contains(gid);
}

bool groupListsUser(const group &entry, const QString &user)
{
    for (char **member = entry.gr_mem; member != nullptr && *member != nullptr; ++member) {
        if (QString::fromLocal8Bit(*member) == user)
            return true;
    }
    return false;
}

} // namespace

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

OpenFailure classifyOpenErrno(int openErrno)
{
    switch (openErrno) {
    case ENOENT:
    case ENOTDIR:
    case ENXIO:
    case ENODEV:
        return OpenFailure::NoSuchDevice;
    case EACCES:
    case EPERM:
    case EROFS:
        return OpenFailure::NoPermission;
    case EBUSY:
        return OpenFailure::InUse;
    case ENOTTY:
    case EISDIR:
        return OpenFailure::NotSerialPort;
    default:
        return OpenFailure::Other;
    }
}

OpenFailure diagnoseOpenFailure(const QString &device, QSerialPort::SerialPortError error)
{
    const QByteArray path = device.toLocal8Bit();
    struct stat status {};
    const int lookupErrno = ::stat(path.constData(), &status) == 0 ? 0 : errno;
    // A file or folder is no port, whatever its permissions say.
    if (lookupErrno == 0 && !S_ISCHR(status.st_mode))
        return OpenFailure::NotSerialPort;
    const int accessErrno = lookupErrno != 0 || ::access(path.constData(), R_OK) == 0 ? 0 : errno;
    return classifyOpenFailure(error, lookupErrno, accessErrno);
}

DeviceAccess deviceAccess(const QString &device)
{
    DeviceAccess access;
    access.user = userName(::geteuid());
    struct stat status {};
    if (::stat(device.toLocal8Bit().constData(), &status) != 0)
        return access;
    access.owner = userName(status.st_uid);
    access.mode = status.st_mode;
    access.processHasGroup = processHasGroup(status.st_gid);
    const group *entry = ::getgrgid(status.st_gid);
    access.group = entry != nullptr ? QString::fromLocal8Bit(entry->gr_name) : QString::number(status.st_gid);
    access.userListedInGroup = entry != nullptr && groupListsUser(*entry, access.user);
    return access;
}

QString permissionAdvice(const DeviceAccess &access)
{
    const QString askForGroup =
        QStringLiteral("Ask the administrator to let the group %1 read and write it (for example with a udev rule) "
                       "and to add you to that group.")
            .arg(QLatin1String(kSerialGroup));
    if (access.owner.isEmpty())
        return QStringLiteral("Ask the administrator for access to it.");

    const mode_t groupReadWrite = S_IRGRP | S_IWGRP;
    const mode_t ownerReadWrite = S_IRUSR | S_IWUSR;
    const QString who =
        QStringLiteral("owner %1, group %2, mode %3").arg(access.owner, access.group, modeText(access.mode));
    if ((access.mode & groupReadWrite) == groupReadWrite) {
        if (access.processHasGroup)
            return QStringLiteral("The system refuses it although the group %1 may use it (%2). Ask the administrator "
                                  "for access to it.")
                .arg(access.group, who);
        if (access.userListedInGroup)
            return QStringLiteral("You were added to the group '%1', which may use it, after you logged in: log out "
                                  "and in again for it to count.")
                .arg(access.group);
        return QStringLiteral("Members of the group '%1' may use it: ask the administrator to add you to that group "
                              "(sudo adduser %2 %1), then log in again.")
            .arg(access.group, access.user);
    }
    if ((access.mode & ownerReadWrite) == ownerReadWrite)
        return QStringLiteral("Only its owner %1 may read and write it (%2). %3").arg(access.owner, who, askForGroup);
    return QStringLiteral("Nobody may read and write it (%1). %2").arg(who, askForGroup);
}

QString openFailureMessage(const QString &device, OpenFailure failure, const QString &detail)
{
    switch (failure) {
    case OpenFailure::NoSuchDevice:
        return QStringLiteral("Cannot open %1: there is no such device. Check that the instrument's cable or USB "
                              "adapter is plugged in and that this is the port it is connected to.")
            .arg(device);
    case OpenFailure::InUse:
        return QStringLiteral("Cannot open %1: the port is in use by another program. Close that "
                              "program and try again.")
            .arg(device);
    case OpenFailure::NoPermission:
        return QStringLiteral("Cannot open %1: you have no permission to use it. %2")
            .arg(device, permissionAdvice(deviceAccess(device)));
    case OpenFailure::NotSerialPort:
        return QStringLiteral("Cannot open %1: it is not a serial port. Choose the port the "
                              "instrument is connected to.")
            .arg(device);
    case OpenFailure::Other:
        break;
    }
    return QStringLiteral("Cannot open %1: %2.").arg(device, detail);
}

QString openFailureSummary(OpenFailure failure, const QString &detail)
{
    switch (failure) {
    case OpenFailure::NoSuchDevice:
        return QStringLiteral("no such device");
    case OpenFailure::InUse:
        return QStringLiteral("in use by another program");
    case OpenFailure::NoPermission:
        return QStringLiteral("no permission");
    case OpenFailure::NotSerialPort:
        return QStringLiteral("not a serial port");
    case OpenFailure::Other:
        break;
    }
    return detail;
}

QString readFailureMessage(const QString &device, bool deviceGone, const QString &detail)
{
    if (deviceGone)
        return QStringLiteral("The connection to %1 was lost: the device is gone (cable or USB "
                              "adapter unplugged?). The text received so far is kept.")
            .arg(device);
    return QStringLiteral("Reading from %1 failed: %2. The text received so far is kept.").arg(device, detail);
}

} // namespace elvaro::serial
