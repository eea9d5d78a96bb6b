#pragma once

#include <QSerialPort>
#include <QString>

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

// Looks the device up and classifies a failed open of it.
OpenFailure diagnoseOpenFailure(const QString &device, QSerialPort::SerialPortError error);

// `detail` is the system's own reason, used for OpenFailure::Other; `group` the group that owns the
// device, used for OpenFailure::NoPermission when known.
QString openFailureMessage(const QString &device, OpenFailure failure, const QString &detail,
                           const QString &group = QString());

// The message for a device that failed while being read. A device that is no longer there was
// unplugged; Qt's own text is then left out because it describes an older error.
QString readFailureMessage(const QString &device, bool deviceGone, const QString &detail);

// The group that owns the device file, empty when unknown.
QString owningGroup(const QString &device);

} // namespace elvaro::serial
