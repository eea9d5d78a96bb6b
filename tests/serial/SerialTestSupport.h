#pragma once

#include "common/Bytes.h"
#include "serial/PseudoTerminal.h"
#include "serial/ReceiveLoop.h"
#include "serial/SerialReceiver.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <functional>

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
inline QString filtered(const QByteArray &bytes)
{
    return QString::fromStdString(elvaro::testing::filtered(bytes.toStdString()));
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

// Runs the event loop, waiting for events rather than polling, until `done` holds or `limit`
// passes (a safety net: the events announce what the tests wait for). Returns whether `done` holds.
inline bool runUntil(const std::function<bool()> &done, std::chrono::milliseconds limit = 10s)
{
    ensureApplication();
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(limit);
    while (!done() && deadline.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

// Runs the download's loop until as much as `expected` holds has been shown, the device fails or
// `limit` passes; returns all the loop showed. A carriage return that ends `expected` is held back
// by the receiver until the loop ends.
inline QString receive(SerialReceiver &receiver, const QString &expected, std::chrono::milliseconds limit = 10s)
{
    const qsizetype shown = expected.size() - (expected.endsWith(u'\r') ? 1 : 0);
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(limit);
    QString text;
    receiveUntilStopped(receiver, {.stopRequested = [&] { return text.size() >= shown || !deadline.isActive(); },
                                   .show = [&text](const QString &piece) { text += piece; },
                                   .progress = nullptr});
    return text;
}

} // namespace elvaro::serial::testing
