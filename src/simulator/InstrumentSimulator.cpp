#include "simulator/InstrumentSimulator.h"

#include <algorithm>
#include <chrono>
#include <string_view>

namespace elvaro::simulator {

namespace {

using namespace std::chrono_literals;

// How often bytes go out while sending: fine enough for an even flow at 9600 baud (about ten
// bytes a tick), coarse enough to cost nothing.
constexpr auto kSendInterval = 10ms;

} // namespace

InstrumentSimulator::InstrumentSimulator(QByteArray report, int baudRate, QObject *parent)
    : QObject(parent), m_report(std::move(report)), m_baudRate(baudRate)
{
    m_sendTimer.setTimerType(Qt::PreciseTimer);
    m_sendTimer.setInterval(kSendInterval);
    connect(&m_sendTimer, &QTimer::timeout, this, &InstrumentSimulator::send);
    connect(&m_watch, &DeviceWatch::activity, this, &InstrumentSimulator::onActivity);
}

bool InstrumentSimulator::start()
{
    if (m_baudRate <= 0) {
        m_errorString = QStringLiteral("the baud rate must be a positive number");
        return false;
    }
    if (m_report.isEmpty()) {
        m_errorString = QStringLiteral("the report is empty: there is nothing to send");
        return false;
    }
    // The handle on the device is taken before the watch starts, so that only other programs'
    // opens and closes are seen.
    if (!m_terminal.open() || !m_terminal.holdDeviceOpen()) {
        m_errorString = m_terminal.errorString();
        return false;
    }
    if (!m_watch.watch(m_terminal.devicePath())) {
        m_errorString = m_watch.errorString();
        return false;
    }
    return true;
}

void InstrumentSimulator::onActivity(int opens, int closes)
{
    m_holders = std::max(0, m_holders + opens - closes);
    const bool reportWasDelivered = m_state == State::WaitingForClose;
    if (m_holders > 0 && opens > 0) {
        startReport();
    } else if (m_holders == 0 && m_state != State::WaitingForOpen) {
        m_sendTimer.stop();
        m_terminal.discardUnread();
        m_state = State::WaitingForOpen;
    }
    if (reportWasDelivered && closes > 0)
        emit deviceClosed();
}

void InstrumentSimulator::startReport()
{
    m_terminal.discardUnread();
    m_state = State::Sending;
    m_sent = 0;
    m_sentSinceClock = 0;
    m_clock.start();
    m_sendTimer.start();
    send();
}

void InstrumentSimulator::send()
{
    const qint64 elapsedMicroseconds = m_clock.nsecsElapsed() / 1000;
    const qint64 due = elapsedMicroseconds * m_baudRate / serial::kLineBitsPerByte / 1'000'000;
    const qint64 count = std::min(due - m_sentSinceClock, m_report.size() - m_sent);
    if (count <= 0)
        return;
    const long written =
        m_terminal.writeSome(std::string_view(m_report.constData() + m_sent, static_cast<std::size_t>(count)));
    if (written < 0) {
        m_sendTimer.stop();
        m_state = State::WaitingForOpen;
        m_errorString = m_terminal.errorString();
        emit failed(m_errorString);
        return;
    }
    m_sent += written;
    m_sentSinceClock += written;
    if (m_sent == m_report.size()) {
        m_sendTimer.stop();
        m_state = State::WaitingForClose;
        emit reportSent();
        return;
    }
    // A reader that does not keep up holds the line back, as a real UART's would be: the pace
    // starts again from here rather than catching up in a burst.
    if (written < count) {
        m_sentSinceClock = 0;
        m_clock.start();
    }
}

} // namespace elvaro::simulator
