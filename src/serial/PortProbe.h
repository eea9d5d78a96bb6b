#pragma once

#include "serial/PortFailure.h"

#include <QString>

// Whether a serial device can be opened at this moment, and if not, why. The device is opened
// without reading or writing and closed at once; nothing stays open either way.
namespace elvaro::serial {

struct PortProbe {
    static PortProbe of(const QString &device);

    // A terminal device that could be opened.
    bool openable = false;
    // The device file is there (whether or not it can be opened).
    bool exists = false;
    // Why it cannot be opened; meaningful only when not openable.
    OpenFailure failure = OpenFailure::Other;
    // The system's reason, for OpenFailure::Other.
    QString detail;

    // The reason in a few words ("no permission"); empty when openable.
    QString summary() const;
    // The full message with what to do; empty when openable.
    QString message(const QString &device) const;
};

} // namespace elvaro::serial
