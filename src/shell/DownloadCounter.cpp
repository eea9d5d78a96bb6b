#include "shell/DownloadCounter.h"

#include "shell/Fonts.h"

#include <QLocale>

namespace elvaro::shell {

namespace {

constexpr qint64 kSecondMs = 1000;
constexpr qint64 kMinute = 60;
constexpr qint64 kHour = 60 * kMinute;

QString duration(qint64 seconds)
{
    if (seconds < kMinute)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < kHour)
        return QStringLiteral("%1 min %2 s").arg(seconds / kMinute).arg(seconds % kMinute);
    return QStringLiteral("%1 h %2 min").arg(QLocale().toString(seconds / kHour)).arg(seconds % kHour / kMinute);
}

} // namespace

DownloadCounter::DownloadCounter(QWidget *parent) : QLabel(parent)
{
    setFont(sansSerifFont(8.25, false));
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QString DownloadCounter::describe(qint64 bytes, std::optional<qint64> sinceLastByteMs)
{
    const QString count = bytes == 1 ? QStringLiteral("1 byte received")
                                     : QStringLiteral("%1 bytes received").arg(QLocale().toString(bytes));
    if (!sinceLastByteMs || bytes == 0)
        return count;
    return QStringLiteral("%1, last %2 ago").arg(count, duration(*sinceLastByteMs / kSecondMs));
}

void DownloadCounter::start()
{
    m_bytes = 0;
    m_lastByte.invalidate();
    showCount(std::nullopt);
    setVisible(true);
}

void DownloadCounter::receivedSoFar(qint64 bytes)
{
    const bool more = bytes != m_bytes;
    if (more) {
        m_bytes = bytes;
        m_lastByte.start();
    }
    if (!m_lastByte.isValid())
        return;
    const qint64 elapsed = m_lastByte.elapsed();
    if (more || elapsed / kSecondMs != m_shownSeconds)
        showCount(elapsed);
}

void DownloadCounter::stop(qint64 bytes)
{
    m_bytes = bytes;
    m_lastByte.invalidate();
    showCount(std::nullopt);
}

void DownloadCounter::showCount(std::optional<qint64> sinceLastByteMs)
{
    m_shownSeconds = sinceLastByteMs ? *sinceLastByteMs / kSecondMs : -1;
    setText(describe(m_bytes, sinceLastByteMs));
}

} // namespace elvaro::shell
