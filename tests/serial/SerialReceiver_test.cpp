#include "SerialTestSupport.h"

#include "serial/PortFailure.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <string>
#include <thread>

namespace {

using elvaro::serial::OpenFailure;
using elvaro::serial::PseudoTerminal;
using elvaro::serial::receiveUntilStopped;
using elvaro::serial::SerialReceiver;
using namespace elvaro::serial::testing;

class ReceiverOnLine : public LineTest {
protected:
    void SetUp() override
    {
        LineTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(receiver.open(line.devicePath())) << receiver.errorString().toStdString();
    }

    QString lostMessage() const
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
    QByteArray sent(1 << 20, '\0');
    std::mt19937 random(20261206);
    for (char &byte : sent)
        byte = static_cast<char>(random() & 0xff);
    const QString expected = filtered(sent);

    bool written = false;
    std::thread writer([&] { written = line.writeAll(std::string_view(sent.constData(), 1 << 20)); });
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
    EXPECT_FALSE(receiver.isOpen());
    EXPECT_FALSE(receiver.hasWaiting());

    ASSERT_TRUE(line.writeAll("late"));
    ASSERT_TRUE(receiver.open(line.devicePath())) << receiver.errorString().toStdString();
    EXPECT_EQ(receiver.finish(), QString());
    ASSERT_TRUE(receiver.open(line.devicePath()));
    ASSERT_TRUE(line.writeAll("next\r\n"));
    EXPECT_EQ(receive(receiver, QStringLiteral("next\r\n")), QStringLiteral("next\r\n"));
}

// A CR ending one burst is held until the LF that may start the next can join it.
TEST_F(ReceiverOnLine, CarriageReturnIsHeldUntilItsLineFeedCanJoinIt)
{
    // What each read hands over once its burst arrived, then what finish() hands over.
    const std::pair<QStringList, QStringList> cases[] = {
        {{"abc\r", "\ndef"}, {"abc", "\r\ndef", ""}},
        {{"a\r", "b"}, {"a", "\rb", ""}},
        {{"end\r"}, {"end", "\r"}},
        {{"x\r\n", "y"}, {"x\r\n", "y", ""}},
        {{"p\r\r", "\nq"}, {"p\r", "\r\nq", ""}},
    };
    for (const auto &[bursts, expected] : cases) {
        ASSERT_TRUE(receiver.open(line.devicePath()));
        QStringList chunks;
        for (qsizetype i = 0; i < bursts.size(); ++i) {
            ASSERT_TRUE(line.writeAll(bursts[i].toStdString()));
            QString chunk;
            runUntil([&] {
                if (receiver.hasWaiting())
                    chunk += receiver.readAvailable();
                return chunk.size() >= expected[i].size();
            });
            chunks.append(chunk);
        }
        chunks.append(receiver.finish());
        EXPECT_EQ(chunks, expected) << bursts.join(u'|').toStdString();
    }
}

TEST_F(ReceiverOnLine, TheLoopEndsOnAStopFromTheEventLoopWithoutAFailureAndClosesThePort)
{
    bool stop = false;
    QTimer::singleShot(0, [&stop] { stop = true; });
    QString shown;
    EXPECT_TRUE(receiveUntilStopped(receiver, {.stopRequested = [&stop] { return stop; },
                                               .show = [&shown](const QString &text) { shown += text; },
                                               .progress = nullptr}));
    EXPECT_EQ(shown, QString());
    EXPECT_FALSE(receiver.isOpen());
}

// Bytes the port took off the line but nobody read yet when the device vanishes are kept, and
// the failure is told once, naming the device.
TEST_F(ReceiverOnLine, VanishingDeviceIsToldOnceAndKeepsTheBytesNotYetRead)
{
    QStringList failures;
    QObject::connect(&receiver, &SerialReceiver::failed, [&](const QString &message) { failures.append(message); });
    ASSERT_TRUE(line.writeAll("unread\r"));
    ASSERT_TRUE(runUntil([&] { return receiver.hasWaiting(); }));
    line.close();
    ASSERT_TRUE(runUntil([&] { return receiver.hasFailed(); }));
    // Qt would go on reporting the vanished device at full speed; give it the chance.
    for (int round = 0; round < 100; ++round)
        QCoreApplication::processEvents();
    EXPECT_EQ(failures, QStringList{lostMessage()});
    EXPECT_EQ(receiver.errorString(), lostMessage());
    EXPECT_FALSE(receiver.isOpen());
    const QString text = receiver.readAvailable();
    EXPECT_EQ(text + receiver.finish(), QStringLiteral("unread\r"));
}

TEST_F(ReceiverOnLine, TheLoopEndsWhenTheDeviceVanishesWithItsMessageAndAllThatArrived)
{
    ASSERT_TRUE(line.writeAll("kept\r\n"));
    QTimer deadline; // a safety net: the vanishing device ends the loop
    deadline.setSingleShot(true);
    deadline.start(10s);
    QString shown;
    qint64 counted = 0;
    const bool received = receiveUntilStopped(receiver, {.stopRequested = [&] { return !deadline.isActive(); },
                                                         .show =
                                                             [&](const QString &text) {
                                                                 shown += text;
                                                                 if (shown.endsWith(u'\n'))
                                                                     line.close();
                                                             },
                                                         .progress = [&counted](qint64 bytes) { counted = bytes; }});
    EXPECT_EQ(shown, QStringLiteral("kept\r\n"));
    EXPECT_EQ(counted, 6);
    EXPECT_FALSE(received);
    EXPECT_EQ(receiver.errorString(), lostMessage());
}

TEST(OpenFailures, NameTheDeviceAndTheReason)
{
    ensureApplication();
    PseudoTerminal line;
    ASSERT_TRUE(line.open());
    SerialReceiver holder;
    ASSERT_TRUE(holder.open(line.devicePath()));
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("/dev/ttyNOSUCH7"), QStringLiteral("there is no such device. Check that the instrument's "
                                                           "cable or USB adapter is plugged in and that this is the "
                                                           "port it is connected to.")},
        {line.devicePath(), QStringLiteral("the port is in use by another program. Close that program and try again.")},
        {QStringLiteral("/dev/null"),
         QStringLiteral("it is not a serial port. Choose the port the instrument is connected to.")},
    };
    for (const auto &[device, reason] : cases) {
        SerialReceiver receiver;
        int failures = 0;
        QObject::connect(&receiver, &SerialReceiver::failed, [&] { ++failures; });
        EXPECT_FALSE(receiver.open(device));
        EXPECT_FALSE(receiver.isOpen());
        EXPECT_EQ(receiver.errorString(), QStringLiteral("Cannot open %1: %2").arg(device, reason));
        // An open that fails is told by open()'s result, not as a failure of a running receive.
        EXPECT_EQ(failures, 0);
        EXPECT_FALSE(receiver.hasFailed());
    }
}

// Lack of permission cannot be produced for real when the tests run as root: the advice is looked
// at for the owners and modes a device may have. A group is advised only when it may read and write.
TEST(OpenFailures, PermissionAdviceNamesAGroupOnlyWhereThatGroupMayUseTheDevice)
{
    using elvaro::serial::DeviceAccess;
    EXPECT_EQ(elvaro::serial::classifyOpenFailure(QSerialPort::PermissionError, 0, EACCES), OpenFailure::NoPermission);
    const auto access = [](const char *owner, const char *group, mode_t mode, bool listed = false) {
        return DeviceAccess{"ann", owner, group, static_cast<mode_t>(S_IFCHR | mode), listed, false};
    };
    const std::string ask = ". Ask the administrator to let the group dialout read and write it (for example with a "
                            "udev rule) and to add you to that group.";
    const std::pair<DeviceAccess, std::string> cases[] = {
        {access("root", "dialout", 0660), "Members of the group 'dialout' may use it: ask the administrator to add you "
                                          "to that group (sudo adduser ann dialout), then log in again."},
        {access("root", "dialout", 0660, true), "You were added to the group 'dialout', which may use it, after you "
                                                "logged in: log out and in again for it to count."},
        {access("root", "root", 0600),
         "Only its owner root may read and write it (owner root, group root, mode crw-------)" + ask},
        {access("root", "dialout", 0640),
         "Only its owner root may read and write it (owner root, group dialout, mode crw-r-----)" + ask},
        {access("root", "root", 0), "Nobody may read and write it (owner root, group root, mode c---------)" + ask},
        {DeviceAccess{}, "Ask the administrator for access to it."},
    };
    for (const auto &[device, advice] : cases)
        EXPECT_EQ(elvaro::serial::permissionAdvice(device), QString::fromStdString(advice)) << advice;
}

} // namespace
