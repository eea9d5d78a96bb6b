#pragma once

#include <signal.h>

namespace elvaro::workbook {

// Holds the stop signals of PendingRemoval for the calling thread while it lives, so that one
// arriving while a temporary file is created and registered waits until the file can be removed.
class StopSignalsHeld {
public:
    StopSignalsHeld();
    StopSignalsHeld(const StopSignalsHeld &) = delete;
    StopSignalsHeld &operator=(const StopSignalsHeld &) = delete;
    ~StopSignalsHeld();

private:
    sigset_t m_previous{};
};

} // namespace elvaro::workbook
