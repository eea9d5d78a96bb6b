#include "serial/InstrumentSimulator.h"

#include <algorithm>
#include <chrono>
#include <string_view>

namespace elvaro::serial {

namespace {

using namespace std::chrono_literals;

// How often the device is checked for a program opening or closing it.
constexpr auto kWatchInterval = 20ms;
// How often bytes go out while sending: fine enough for an even flow at 9600 baud (about ten
// bytes a tick), coarse enough to cost nothing.
constexpr auto kSendInterval = 10ms;

} // namespace

InstrumentSimulator::InstrumentSimulator(QByteArray report, int baudRate, QObject *parent)
    : QObject(parent)
    , m_report(std::move(report))
    , m_baudRate(baudRate)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &InstrumentSimulator::tick);
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
    if (!m_terminal.open()) {
        m_errorString = m_terminal.errorString();
        return false;
    }
    enter(State::WaitingForOpen);
    return true;
}

void InstrumentSimulator::enter(State state)
{
    m_state = state;
    if (state == State::Sending) {
        m_sent = 0;
        m_sentSinceClock = 0;
        m_clock.start();
        m_timer.start(kSendInterval);
        return;
    }
    m_timer.start(kWatchInterval);
}

void InstrumentSimulator::tick()
{
    const bool deviceOpen = m_terminal.deviceIsOpen();
    switch (m_state) {
    case State::WaitingForOpen:
        if (deviceOpen) {
            enter(State::Sending);
            send();
        }
        return;
    case State::Sending:
        if (!deviceOpen) {
            m_terminal.discardUnread();
            enter(State::WaitingForOpen);
            return;
        }
        send();
        return;
    case State::WaitingForClose:
        if (!deviceOpen) {
            enter(State::WaitingForOpen);
            emit deviceClosed();
        }
        return;
    }
}

void InstrumentSimulator::send()
{
    const qint64 elapsedMicroseconds = m_clock.nsecsElapsed() / 1000;
    const qint64 due = elapsedMicroseconds * m_baudRate / kBitsPerByte / 1'000'000;
    const qint64 count = std::min(due - m_sentSinceClock, m_report.size() - m_sent);
    if (count <= 0)
        return;
    const long written = m_terminal.writeSome(
            std::string_view(m_report.constData() + m_sent, static_cast<std::size_t>(count)));
    if (written < 0) {
        m_timer.stop();
        m_errorString = m_terminal.errorString();
        emit failed(m_errorString);
        return;
    }
    m_sent += written;
    m_sentSinceClock += written;
    if (m_sent == m_report.size()) {
        enter(State::WaitingForClose);
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

} // namespace elvaro::serial
