#pragma once

#include <QElapsedTimer>
#include <QLabel>

#include <optional>

// Progress of a download, which has no known end: the bytes received so far and, while it runs,
// the time since the last byte ("1,234 bytes received, last 3 s ago"). After the download the
// final count stays until the next one starts.
namespace elvaro::shell {

class DownloadCounter : public QLabel {
    Q_OBJECT

public:
    explicit DownloadCounter(QWidget *parent = nullptr);

    // A download starts: nothing received yet.
    void start();
    // The bytes received so far; called on every pass of the download. The text changes only when
    // the count or the whole seconds since the last byte do.
    void receivedSoFar(qint64 bytes);
    // The download has ended with this many bytes.
    void stop(qint64 bytes);

    // The text for a count and, while a download runs and a byte has come, the milliseconds since
    // the last byte.
    static QString describe(qint64 bytes, std::optional<qint64> sinceLastByteMs);

private:
    void showCount(std::optional<qint64> sinceLastByteMs);

    qint64 m_bytes = 0;
    QElapsedTimer m_lastByte;
    // The whole seconds since the last byte that the text shows, -1 for none.
    qint64 m_shownSeconds = -1;
};

} // namespace elvaro::shell
