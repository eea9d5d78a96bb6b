#include "ShellTestSupport.h"

#include "shell/DownloadCounter.h"

#include <QLocale>

#include <optional>

using elvaro::shell::DownloadCounter;

using DownloadCounterTest = elvaro::shell::testing::WidgetTest;

TEST_F(DownloadCounterTest, SaysTheBytesAndWhileRunningHowLongAgoTheLastCame)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const std::tuple<qint64, std::optional<qint64>, const char *> cases[] = {
        {0, std::nullopt, "0 bytes received"},
        {0, 4000, "0 bytes received"},
        {1, 0, "1 byte received, last 0 s ago"},
        {1, std::nullopt, "1 byte received"},
        {2, 999, "2 bytes received, last 0 s ago"},
        {1234567, 59'999, "1,234,567 bytes received, last 59 s ago"},
        {10, 60'000, "10 bytes received, last 1 min 0 s ago"},
        {10, 3'599'999, "10 bytes received, last 59 min 59 s ago"},
        {10, 3'600'000, "10 bytes received, last 1 h 0 min ago"},
        {10, 90'061'000, "10 bytes received, last 25 h 1 min ago"},
    };
    for (const auto &[bytes, sinceLastByteMs, text] : cases)
        EXPECT_EQ(DownloadCounter::describe(bytes, sinceLastByteMs), QString::fromLatin1(text)) << text;

    DownloadCounter counter;
    counter.start();
    EXPECT_EQ(counter.text(), QStringLiteral("0 bytes received"));
    counter.receivedSoFar(0);
    EXPECT_EQ(counter.text(), QStringLiteral("0 bytes received"));
    counter.receivedSoFar(1500);
    EXPECT_TRUE(counter.text().startsWith(QStringLiteral("1,500 bytes received, last ")))
        << counter.text().toStdString();
    counter.stop(1502);
    EXPECT_EQ(counter.text(), QStringLiteral("1,502 bytes received"));
    QLocale::setDefault(saved);
}
