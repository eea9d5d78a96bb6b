#pragma once

#include "serial/LineSettings.h"
#include "serial/PseudoTerminal.h"
#include "simulator/DeviceWatch.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

// Plays the instrument on a pseudo-terminal: every time a program opens the device it sends the
// report from its start, paced at the baud rate (kLineBitsPerByte bits a byte), as the instrument
// would over its serial line.
//
// Opens and closes of the device are noticed through file notifications (DeviceWatch), so nothing
// runs while no report is being sent. A program that closes the device in the middle of a report
// ends that report: what it had not read yet is dropped, so the next program to open the device
// gets the report from its start and nothing of the previous one.
namespace elvaro::simulator {

class InstrumentSimulator : public QObject {
    Q_OBJECT

public:
    InstrumentSimulator(QByteArray report, int baudRate, QObject *parent = nullptr);

    // Creates the pseudo-terminal and starts waiting for a program to open it. On failure returns
    // false and sets errorString().
    bool start();

    QString devicePath() const { return m_terminal.devicePath(); }
    QString errorString() const { return m_errorString; }

signals:
    // A whole report went out.
    void reportSent();
    // A program that had been sent a whole report closed the device.
    void deviceClosed();
    // Writing failed; the simulator has stopped.
    void failed(const QString &message);

private:
    enum class State {
        WaitingForOpen,
        Sending,
        WaitingForClose,
    };

    void onActivity(int opens, int closes);
    void send();
    void startReport();

    serial::PseudoTerminal m_terminal;
    DeviceWatch m_watch;
    QByteArray m_report;
    int m_baudRate = serial::kLineBaudRate;
    State m_state = State::WaitingForOpen;
    // Handles on the device held by other programs.
    int m_holders = 0;
    QTimer m_sendTimer;
    // Pacing: the bytes sent since the clock last started.
    QElapsedTimer m_clock;
    qint64 m_sentSinceClock = 0;
    qint64 m_sent = 0;
    QString m_errorString;
};

} // namespace elvaro::simulator
