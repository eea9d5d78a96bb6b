#pragma once

#include "report/ByteFilter.h"
#include "serial/PseudoTerminal.h"
#include "serial/ReceiveLoop.h"
#include "serial/SerialReceiver.h"

#include <gtest/gtest.h>

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
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline QString filtered(const QByteArray &bytes)
{
    return filtered(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

// A test with a pseudo-terminal open as the instrument's line.
class LineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        ASSERT_TRUE(line.open()) << line.errorString().toStdString();
    }

    PseudoTerminal line;
};

// Expires once `limit` has passed; its timer wakes an event loop that waits for events.
class Deadline {
public:
    explicit Deadline(std::chrono::milliseconds limit)
    {
        ensureApplication();
        m_timer.setSingleShot(true);
        m_timer.start(limit);
    }
    bool expired() const { return !m_timer.isActive(); }

private:
    QTimer m_timer;
};

// Runs the event loop, waiting for events rather than polling, until `done` holds or `limit`
// passes. Returns whether `done` holds.
inline bool runUntil(const std::function<bool()> &done, std::chrono::milliseconds limit = 10s)
{
    const Deadline deadline(limit);
    while (!done() && !deadline.expired())
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

// Runs the download's loop until as much as `expected` holds has been shown, the device fails or
// `limit` passes; returns all the loop showed. A carriage return that ends `expected` is held back
// by the receiver until the loop ends.
inline QString receive(SerialReceiver &receiver, const QString &expected, std::chrono::milliseconds limit = 10s)
{
    const qsizetype shown = expected.size() - (expected.endsWith(u'\r') ? 1 : 0);
    const Deadline deadline(limit);
    QString text;
    receiveUntilStopped(receiver, {.stopRequested = [&] { return text.size() >= shown || deadline.expired(); },
                                   .show = [&text](const QString &piece) { text += piece; },
                                   .progress = nullptr});
    return text;
}

} // namespace elvaro::serial::testing
