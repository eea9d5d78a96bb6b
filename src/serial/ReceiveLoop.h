#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

// The download's loop over an open receiver. Each pass lets the event loop run (a Stop press, the
// lamp's timer and repainting are handled nested in it), takes what the receiver holds, and shows
// the pending text once a pass finds nothing waiting, so that a burst is shown in one piece. With
// nothing pending the pass waits for the next event of any kind (received bytes, an error, a
// click, a timer tick) instead of polling the port, so an idle receive costs no processor time.
//
// The loop ends at the end of the pass in which stopRequested() holds, or when the device fails.
// Then the receiver is closed and everything received and not shown yet, the bytes still waiting
// included, is shown: nothing received is lost.
namespace elvaro::serial {

class SerialReceiver;

struct ReceiveHandlers {
    // Asked at the end of every pass.
    std::function<bool()> stopRequested;
    // Receives each piece of filtered text, in order.
    std::function<void(const QString &text)> show;
    // The bytes received so far, after every pass; may be empty.
    std::function<void(qint64 bytes)> progress;
};

// Runs the loop on an open receiver. Returns false when the device failed; the receiver's
// errorString() then says why.
bool receiveUntilStopped(SerialReceiver &receiver, const ReceiveHandlers &handlers);

} // namespace elvaro::serial
