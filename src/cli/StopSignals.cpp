#include "cli/StopSignals.h"

#include "system/SystemText.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace elvaro::cli {

namespace {

// The socket pair shared with the handler: [0] is read by the event loop, [1] written by the handler.
int g_wakeup[2] = {-1, -1};

void onStopSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_wakeup[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_wakeup) != 0) {
        m_errorString = QStringLiteral("Cannot watch for Ctrl-C and SIGTERM (%1), so the command could not end in "
                                       "order. Raise the limit of open files (ulimit -n) or close other programs, "
                                       "then try again.")
                            .arg(QString::fromLocal8Bit(system::errorText(errno)));
        return;
    }
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &m_previousInterrupt);
    ::sigaction(SIGTERM, &action, &m_previousTerminate);
    m_notifier = std::make_unique<QSocketNotifier>(g_wakeup[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &StopSignals::drain);
}

StopSignals::~StopSignals()
{
    if (!m_notifier)
        return;
    ::sigaction(SIGINT, &m_previousInterrupt, nullptr);
    ::sigaction(SIGTERM, &m_previousTerminate, nullptr);
    m_notifier.reset();
    ::close(g_wakeup[0]);
    ::close(g_wakeup[1]);
    g_wakeup[0] = g_wakeup[1] = -1;
}

void StopSignals::drain()
{
    char bytes[16];
    while (::read(g_wakeup[0], bytes, sizeof bytes) > 0) {
    }
    emit stopRequested();
}

} // namespace elvaro::cli
