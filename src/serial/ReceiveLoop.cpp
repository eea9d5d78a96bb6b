#include "serial/ReceiveLoop.h"

#include "serial/SerialReceiver.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <utility>

namespace elvaro::serial {

bool receiveUntilStopped(SerialReceiver &receiver, const ReceiveHandlers &handlers)
{
    QString pending;
    for (;;) {
        // Wait only when nothing is left to show: a burst still pending is shown in this pass.
        QCoreApplication::processEvents(pending.isEmpty() ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
        if (receiver.hasWaiting())
            pending += receiver.readAvailable();
        else if (!pending.isEmpty())
            handlers.show(std::exchange(pending, QString()));
        if (handlers.progress)
            handlers.progress(receiver.bytesReceived());
        if (handlers.stopRequested() || receiver.hasFailed())
            break;
    }
    pending += receiver.finish();
    if (!pending.isEmpty())
        handlers.show(pending);
    return !receiver.hasFailed();
}

} // namespace elvaro::serial
