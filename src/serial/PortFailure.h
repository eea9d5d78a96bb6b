#pragma once

#include <QSerialPort>
#include <QString>

#include <sys/types.h>

// Why a serial device could not be opened or stopped working, and the message that tells the user
// what went wrong and what to do. Every message names the device.
namespace elvaro::serial {

enum class OpenFailure {
    NoSuchDevice,
    InUse,
    NoPermission,
    NotSerialPort,
    Other,
};

// What the device's state says about a failed open: `error` is what QSerialPort reported,
// `lookupErrno` the errno of looking the device path up (0 when it exists) and `accessErrno` the
// errno of checking read access to it (0 when allowed).
OpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, int lookupErrno, int accessErrno);

// The failure that the errno of a plain open(2) of the device stands for.
OpenFailure classifyOpenErrno(int openErrno);

// Looks the device up and classifies a failed open of it.
OpenFailure diagnoseOpenFailure(const QString &device, QSerialPort::SerialPortError error);

// Who may use a device file, and how the user running the program stands to its group.
struct DeviceAccess {
    QString user;
    QString owner;
    QString group;
    mode_t mode = 0;
    // The group database lists the user in the device's group.
    bool userListedInGroup = false;
    // This process runs with the device's group (it is not so before the next login after the
    // user was added to the group).
    bool processHasGroup = false;
};

// The device's owner, group and mode and the user's standing; nothing known when the device cannot
// be looked up.
DeviceAccess deviceAccess(const QString &device);

// What a user who may not use the device is told: the group to join only when that group may read
// and write the device, otherwise who may use it and what to ask the administrator.
QString permissionAdvice(const DeviceAccess &access);

// The full message. `detail` is the system's own reason, used for OpenFailure::Other; lack of
// permission is explained from the device's owner, group and mode.
QString openFailureMessage(const QString &device, OpenFailure failure, const QString &detail);

// The reason in a few words, for a list of ports ("no permission", "in use by another program").
QString openFailureSummary(OpenFailure failure, const QString &detail);

// The message for a device that failed while being read. A device that is no longer there was
// unplugged; Qt's own text is then left out because it describes an older error.
QString readFailureMessage(const QString &device, bool deviceGone, const QString &detail);

} // namespace elvaro::serial
