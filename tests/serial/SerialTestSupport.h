#pragma once

#include "report/ByteFilter.h"
#include "serial/SerialReceiver.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <functional>
#include <string_view>

namespace elvaro::serial::testing {

using namespace std::chrono_literals;

// The receiver and the simulator run on the event loop, which needs an application object.
inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "serial_tests";
    static char *argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr)
        new QCoreApplication(argc, argv);
}

// What the byte filter makes of `bytes`, as the receiver hands it over.
inline QString filtered(std::string_view bytes)
{
    const std::string text = report::filterBytes(bytes);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline QString filtered(const QByteArray &bytes)
{
    return filtered(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

// Runs the event loop, waiting for events rather than polling, until `done` holds or `limit`
// passes. Returns whether `done` holds.
inline bool runUntil(const std::function<bool()> &done, std::chrono::milliseconds limit = 10s)
{
    ensureApplication();
    QTimer deadline;
    deadline.setSingleShot(true);
    bool expired = false;
    QObject::connect(&deadline, &QTimer::timeout, [&expired] { expired = true; });
    deadline.start(limit);
    while (!done() && !expired)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

// Gives the event loop `span` to deliver whatever is still due.
inline void runFor(std::chrono::milliseconds span)
{
    bool over = false;
    QTimer::singleShot(span, [&over] { over = true; });
    runUntil([&over] { return over; }, span + 1s);
}

// Collects what the receiver hands over, the way the download loop reads it, until as much as
// `expected` holds has arrived or `limit` passes, then adds what the receiver still holds. A
// carriage return that ends `expected` is held back by the receiver until then.
inline QString receive(SerialReceiver &receiver, const QString &expected, std::chrono::milliseconds limit = 10s)
{
    const qsizetype shown = expected.size() - (expected.endsWith(u'\r') ? 1 : 0);
    QString text;
    runUntil(
            [&] {
                if (receiver.hasWaiting())
                    text += receiver.readAvailable();
                return text.size() >= shown || (!receiver.isOpen() && !receiver.hasWaiting());
            },
            limit);
    return text + receiver.finish();
}

} // namespace elvaro::serial::testing
