#include "workbook/StopSignalsHeld.h"

#include "workbook/PendingRemoval.h"

#include <pthread.h>

namespace elvaro::workbook {

StopSignalsHeld::StopSignalsHeld()
{
    sigset_t held;
    sigemptyset(&held);
    for (const int signal : PendingRemoval::kStopSignals)
        sigaddset(&held, signal);
    ::pthread_sigmask(SIG_BLOCK, &held, &m_previous);
}

StopSignalsHeld::~StopSignalsHeld()
{
    ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

} // namespace elvaro::workbook
