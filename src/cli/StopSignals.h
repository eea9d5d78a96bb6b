#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include <memory>

#include <csignal>

// Turns SIGINT (Ctrl-C) and SIGTERM into a signal of the event loop, so that a command can wind up
// in order (write what it holds, close its port and files) instead of dying in the middle. The
// handler only writes a byte to a socket pair; the event loop reads it.
namespace elvaro::cli {

class StopSignals : public QObject {
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    // False when the handlers could not be installed; errorString() then says why. A command
    // that cannot be stopped in order does not start: Ctrl-C would end it in the middle.
    bool isWatching() const { return m_notifier != nullptr; }
    QString errorString() const { return m_errorString; }

signals:
    void stopRequested();

private:
    void drain();

    std::unique_ptr<QSocketNotifier> m_notifier;
    QString m_errorString;
    struct sigaction m_previousInterrupt {};
    struct sigaction m_previousTerminate {};
};

} // namespace elvaro::cli
