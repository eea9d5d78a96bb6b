#include "SerialTestSupport.h"

#include "serial/PortFailure.h"
#include "serial/PortTable.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <thread>

namespace elvaro::serial {
namespace {

using namespace testing;

class ReceiverOnLine : public LineTest {
protected:
    void SetUp() override
    {
        LineTest::SetUp();
        ASSERT_TRUE(!HasFatalFailure() && receiver.open(line.devicePath())) << receiver.errorString().toStdString();
    }

    QString lost() const
    {
        return QStringLiteral("The connection to %1 was lost: the device is gone (cable or USB adapter unplugged?). "
                              "The text received so far is kept.")
            .arg(line.devicePath());
    }

    SerialReceiver receiver;
};

// Every byte value, NUL and line ends included, in whatever bursts the line gives them.
TEST_F(ReceiverOnLine, MebibyteOfRandomBytesArrivesCompleteAndFiltered)
{
    std::string sent(1 << 20, '\0');
    std::mt19937 random(20261206);
    for (char &byte : sent)
        byte = static_cast<char>(random() & 0xff);
    const QString expected = filtered(QByteArray::fromStdString(sent));
    bool written = false;
    std::thread writer([&] { written = line.writeAll(sent); });
    const QString received = receive(receiver, expected, 60s);
    writer.join();
    ASSERT_TRUE(written) << line.errorString().toStdString();
    ASSERT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
}

// Bytes waiting unread when a download ends are handed over by finish(); bytes still on the line
// do not reach the next download.
TEST_F(ReceiverOnLine, EachDownloadGetsWhatArrivedWhileItRan)
{
    ASSERT_TRUE(line.writeAll("end \xB3\xC4\xDA\r\n"));
    ASSERT_TRUE(runUntil([&] { return receiver.hasWaiting(); }));
    EXPECT_EQ(receiver.finish(), QStringLiteral("end |-+\r\n"));
    EXPECT_FALSE(receiver.isOpen() || receiver.hasWaiting());
    ASSERT_TRUE(line.writeAll("late"));
    ASSERT_TRUE(receiver.open(line.devicePath())) << receiver.errorString().toStdString();
    EXPECT_EQ(receiver.finish(), QString());
    ASSERT_TRUE(receiver.open(line.devicePath()) && line.writeAll("next\r\n"));
    EXPECT_EQ(receive(receiver, QStringLiteral("next\r\n")), QStringLiteral("next\r\n"));
}

// A CR ending one burst is held until the LF that may start the next can join it.
TEST_F(ReceiverOnLine, CarriageReturnIsHeldUntilItsLineFeedCanJoinIt)
{
    // What each read hands over once its burst arrived, then what finish() hands over.
    const std::pair<QStringList, QStringList> cases[] = {{{"abc\r", "\ndef"}, {"abc", "\r\ndef", ""}},
                                                         {{"a\r", "b"}, {"a", "\rb", ""}},
                                                         {{"end\r"}, {"end", "\r"}},
                                                         {{"x\r\n", "y"}, {"x\r\n", "y", ""}},
                                                         {{"p\r\r", "\nq"}, {"p\r", "\r\nq", ""}}};
    for (const auto &[bursts, expected] : cases) {
        ASSERT_TRUE(receiver.open(line.devicePath()));
        QStringList chunks;
        for (qsizetype i = 0; i < bursts.size(); ++i) {
            ASSERT_TRUE(line.writeAll(bursts[i].toStdString()));
            QString chunk;
            runUntil([&] { return (chunk += receiver.readAvailable()).size() >= expected[i].size(); });
            chunks.append(chunk);
        }
        EXPECT_EQ(chunks << receiver.finish(), expected) << bursts.join(u'|').toStdString();
    }
}

// The loop ends at a stop asked for from the event loop, without a failure, showing the bytes still
// waiting, and closes the port; or when the device vanishes, with its message and all that arrived.
TEST_F(ReceiverOnLine, TheLoopEndsOnAStopOrWhenTheDeviceVanishesWithAllThatArrived)
{
    ASSERT_TRUE(line.writeAll("waiting\r\n") && runUntil([&] { return receiver.hasWaiting(); }));
    bool stop = false;
    QTimer::singleShot(0, [&stop] { stop = true; });
    QString shown;
    const auto show = [&shown](const QString &text) { shown += text; };
    EXPECT_TRUE(receiveUntilStopped(receiver, {.stopRequested = [&] { return stop; }, .show = show, .progress = {}}));
    EXPECT_EQ(shown, QStringLiteral("waiting\r\n"));
    EXPECT_FALSE(receiver.isOpen());

    ASSERT_TRUE(receiver.open(line.devicePath()) && line.writeAll("kept\r\n"));
    shown.clear();
    qint64 counted = 0;
    QTimer deadline; // a safety net: the vanishing device ends the loop
    deadline.setSingleShot(true);
    deadline.start(10s);
    const auto showAndUnplug = [&](const QString &text) {
        if ((shown += text).endsWith(u'\n'))
            line.close();
    };
    const bool received = receiveUntilStopped(receiver, {.stopRequested = [&] { return !deadline.isActive(); },
                                                         .show = showAndUnplug,
                                                         .progress = [&counted](qint64 bytes) { counted = bytes; }});
    EXPECT_EQ(std::tuple(shown, counted, received), std::tuple(QStringLiteral("kept\r\n"), 6, false));
    EXPECT_EQ(receiver.errorString(), lost());
}

// Bytes the port took off the line but nobody read yet when the device vanishes are kept, and
// the failure is told once, naming the device.
TEST_F(ReceiverOnLine, VanishingDeviceIsToldOnceAndKeepsTheBytesNotYetRead)
{
    QStringList failures;
    QObject::connect(&receiver, &SerialReceiver::failed, [&](const QString &message) { failures.append(message); });
    ASSERT_TRUE(line.writeAll("unread\r") && runUntil([&] { return receiver.hasWaiting(); }));
    line.close();
    ASSERT_TRUE(runUntil([&] { return receiver.hasFailed(); }));
    // Qt would go on reporting the vanished device at full speed; give it the chance.
    for (int round = 0; round < 100; ++round)
        QCoreApplication::processEvents();
    EXPECT_EQ(failures, QStringList{lost()});
    EXPECT_EQ(receiver.errorString(), lost());
    EXPECT_FALSE(receiver.isOpen());
    const QString text = receiver.readAvailable();
    EXPECT_EQ(text + receiver.finish(), QStringLiteral("unread\r"));
}

// An open that fails is told by open()'s result naming the device and the reason, not as a failure
// of a running receive (the command line's tests see the other reasons).
TEST_F(ReceiverOnLine, AnOpenThatFailsNamesTheDeviceAndTheReason)
{
    SerialReceiver other;
    int failures = 0;
    QObject::connect(&other, &SerialReceiver::failed, [&] { ++failures; });
    EXPECT_FALSE(other.open(line.devicePath()) || other.isOpen() || other.hasFailed() || failures > 0);
    EXPECT_EQ(other.errorString(), "Cannot open " + line.devicePath()
                                       + ": the port is in use by another program. Close that program and try again.");
}

// Lack of permission cannot be produced for real when the tests run as root: the advice is looked
// at for the owners and modes a device may have. A group is advised only when it may read and write.
TEST(OpenFailures, PermissionAdviceNamesAGroupOnlyWhereThatGroupMayUseTheDevice)
{
    EXPECT_EQ(classifyOpenFailure(QSerialPort::PermissionError, 0, EACCES), OpenFailure::NoPermission);
    const auto access = [](const char *group, mode_t mode, bool listed = false) {
        return DeviceAccess{"ann", "root", group, static_cast<mode_t>(S_IFCHR | mode), listed, false};
    };
    const std::string ask = ". Ask the administrator to let the group dialout read and write it (for example with a "
                            "udev rule) and to add you to that group.";
    const std::pair<DeviceAccess, std::string> cases[] = {
        {access("dialout", 0660), "Members of the group 'dialout' may use it: ask the administrator to add you to that "
                                  "group (sudo adduser ann dialout), then log in again."},
        {access("dialout", 0660, true), "You were added to the group 'dialout', which may use it, after you logged in: "
                                        "log out and in again for it to count."},
        {access("root", 0600),
         "Only its owner root may read and write it (owner root, group root, mode crw-------)" + ask},
        {access("dialout", 0640),
         "Only its owner root may read and write it (owner root, group dialout, mode crw-r-----)" + ask},
        {access("root", 0), "Nobody may read and write it (owner root, group root, mode c---------)" + ask},
        {DeviceAccess{}, "Ask the administrator for access to it."}};
    for (const auto &[device, advice] : cases)
        EXPECT_EQ(permissionAdvice(device), QString::fromStdString(advice)) << advice;
}

} // namespace
} // namespace elvaro::serial
