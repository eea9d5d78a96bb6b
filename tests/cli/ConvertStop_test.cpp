#include "ProgramRunner.h"
#include "workbook/WorkbookTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace elvaro::testing {
namespace {

// A report large enough that writing its workbook takes a while: rows of eight boxes side by side.
QByteArray largeReport()
{
    const QByteArray border = "+------+ +------+ +------+ +------+ +------+ +------+ +------+ +------+\r\n";
    QByteArray report;
    for (int table = 0; table < 400; ++table) {
        report += border;
        for (int row = 0; row < 10; ++row) {
            for (int box = 0; box < 8; ++box)
                report += (box == 0 ? "| " : " | ") + QByteArray::number((table * 7 + row * 3 + box) % 100) + ".5  |";
            report += "\r\n";
        }
        report += border + "Zone " + QByteArray::number(table) + "  checked  OK\r\n";
    }
    return report;
}

// A stop signal in the middle of the write (once the writer's working folder is there): the
// temporary files go, the previous output stays, and the exit status names the signal. Started
// with nohup, convert does not stop when its terminal goes away.
TEST(ConvertStop, RemovesTheTemporaryFilesAndKeepsThePreviousOutput)
{
    for (const auto &[signal, ignored] : {std::pair{SIGINT, 0}, {SIGTERM, 0}, {SIGHUP, 0}, {SIGHUP, SIGHUP}}) {
        QTemporaryDir folder;
        QFile report(folder.filePath("report.txt"));
        ASSERT_TRUE(report.open(QIODevice::WriteOnly));
        report.write(largeReport());
        report.close();
        QFile previous(folder.filePath("out.xlsx"));
        ASSERT_TRUE(previous.open(QIODevice::WriteOnly));
        previous.write("previous");
        previous.close();
        const QDir dir(folder.path());
        Command convert({"convert", "report.txt", "-o", "out.xlsx"},
                        {.folder = folder.path(), .ignoredSignal = ignored});
        ASSERT_TRUE(waitUntil([&] {
            return !dir.entryList({".elvaro-q3-parts-*"}, QDir::Dirs | QDir::Hidden).isEmpty();
        })) << "convert ended before it wrote the workbook";
        convert.signal(signal);
        EXPECT_EQ(convert.finish(), ignored ? 0 : -signal) << sigabbrev_np(signal);
        EXPECT_EQ(dir.entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList({"out.xlsx", "report.txt"}));
        EXPECT_EQ(fileContents(folder.filePath("out.xlsx")).left(4), ignored ? "PK\x03\x04" : "prev");
    }
}

} // namespace
} // namespace elvaro::testing
