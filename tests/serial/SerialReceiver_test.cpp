#include "common/Bytes.h"
#include "serial/PortFailure.h"
#include "serial/PseudoTerminal.h"
#include "serial/ReceiveLoop.h"
#include "serial/SerialReceiver.h"

#include "SerialTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>
#include <random>
#include <string>
#include <thread>

namespace {

using elvaro::testing::bytes;

using elvaro::serial::OpenFailure;
using elvaro::serial::PseudoTerminal;
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

    SerialReceiver receiver;
};

// ---- What the instrument sends becomes report text --------------------------------------------

struct FilterCase {
    const char *name;
    std::string sent;
    QString shown;
};
void PrintTo(const FilterCase &example, std::ostream *out)
{
    *out << example.name;
}

class BytesOverTheLine : public ReceiverOnLine, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(BytesOverTheLine, ArriveFilteredOneCharacterPerByte)
{
    const FilterCase &example = GetParam();
    ASSERT_TRUE(line.writeAll(example.sent)) << line.errorString().toStdString();
    EXPECT_EQ(receive(receiver, example.shown), example.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Receiver, BytesOverTheLine,
    ::testing::Values(FilterCase{"TopBorder", bytes({218, 196, 196, 191}), QStringLiteral("+--+")},
                      FilterCase{"BoxedText", bytes({179, 65, 179}), QStringLiteral("|A|")},
                      FilterCase{"BottomBorder", bytes({192, 196, 217}), QStringLiteral("+-+")},
                      FilterCase{"Delete", bytes({127}), QStringLiteral("\x7f")},
                      FilterCase{"FirstHighByte", bytes({128}), QStringLiteral("Ç")},
                      FilterCase{"AccentedLetter", bytes({133}), QStringLiteral("à")},
                      FilterCase{"DoubleLines", bytes({201, 205, 187, 186}), QStringLiteral("+=+|")},
                      FilterCase{"NulByte", bytes({'a', 0, 'b'}), QString::fromLatin1("a\0b", 3)},
                      FilterCase{"LineEndsKept", "A\r\nB\rC\nD\r\n", QStringLiteral("A\r\nB\rC\nD\r\n")},
                      FilterCase{"TrailingCarriageReturn", "end\r", QStringLiteral("end\r")}),
    [](const ::testing::TestParamInfo<FilterCase> &info) { return info.param.name; });

TEST_F(ReceiverOnLine, MebibyteOfRandomBytesArrivesCompleteAndFiltered)
{
    std::string sent(1 << 20, '\0');
    std::mt19937 random(20261206);
    for (char &byte : sent)
        byte = static_cast<char>(random() & 0xff);
    const QString expected = filtered(sent);

    bool written = false;
    std::thread writer([&] { written = line.writeAll(sent); });
    const QString received = receive(receiver, expected, 60s);
    writer.join();

    ASSERT_TRUE(written) << line.errorString().toStdString();
    ASSERT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
}

TEST_F(ReceiverOnLine, CanBeOpenedAgainForTheNextDownload)
{
    ASSERT_TRUE(line.writeAll("first\r\n"));
    EXPECT_EQ(receive(receiver, QStringLiteral("first\r\n")), QStringLiteral("first\r\n"));
    EXPECT_FALSE(receiver.isOpen());

    ASSERT_TRUE(receiver.open(line.devicePath())) << receiver.errorString().toStdString();
    ASSERT_TRUE(line.writeAll("second\r\n"));
    EXPECT_EQ(receive(receiver, QStringLiteral("second\r\n")), QStringLiteral("second\r\n"));
}

TEST_F(ReceiverOnLine, BytesWaitingUnreadWhenTheReceiveEndsAreStillHandedOver)
{
    const std::string sent = bytes({'e', 'n', 'd', ' ', 179, 196, 218, '\r', '\n'});
    ASSERT_TRUE(line.writeAll(sent));
    // The receiver has taken them off the line, but the caller has not read them yet: the
    // receive is stopped at this moment.
    ASSERT_TRUE(runUntil([&] { return receiver.hasWaiting(); }));

    EXPECT_EQ(receiver.finish(), filtered(sent));
    EXPECT_FALSE(receiver.isOpen());
    EXPECT_FALSE(receiver.hasWaiting());
}

TEST_F(ReceiverOnLine, BytesLeftUnreadAtTheEndDoNotReachTheNextDownload)
{
    ASSERT_TRUE(line.writeAll("late"));
    EXPECT_EQ(receiver.finish(), QString());

    ASSERT_TRUE(receiver.open(line.devicePath()));
    ASSERT_TRUE(line.writeAll("next"));
    EXPECT_EQ(receive(receiver, QStringLiteral("next")), QStringLiteral("next"));
}

// ---- A CR ending one burst and the LF starting the next are one line end ------------------------

struct BurstCase {
    const char *name;
    QStringList bursts;
    // What each read hands over once its burst arrived, then what finish() hands over.
    QStringList chunks;
};
void PrintTo(const BurstCase &example, std::ostream *out)
{
    *out << example.name;
}

class LineEndsAcrossBursts : public ReceiverOnLine, public ::testing::WithParamInterface<BurstCase> {};

TEST_P(LineEndsAcrossBursts, CarriageReturnIsHeldUntilItsLineFeedCanJoinIt)
{
    const BurstCase &example = GetParam();
    QStringList chunks;
    for (qsizetype i = 0; i < example.bursts.size(); ++i) {
        const QByteArray raw = example.bursts[i].toLatin1();
        ASSERT_TRUE(line.writeAll(std::string_view(raw.constData(), static_cast<std::size_t>(raw.size()))));
        QString chunk;
        runUntil([&] {
            if (receiver.hasWaiting())
                chunk += receiver.readAvailable();
            return chunk.size() >= example.chunks[i].size();
        });
        chunks.append(chunk);
    }
    chunks.append(receiver.finish());
    EXPECT_EQ(chunks, example.chunks);
}

INSTANTIATE_TEST_SUITE_P(
    Receiver, LineEndsAcrossBursts,
    ::testing::Values(BurstCase{"CarriageReturnThenLineFeed", {"abc\r", "\ndef"}, {"abc", "\r\ndef", ""}},
                      BurstCase{"CarriageReturnThenText", {"a\r", "b"}, {"a", "\rb", ""}},
                      BurstCase{"CarriageReturnAtTheEnd", {"end\r"}, {"end", "\r"}},
                      BurstCase{"PairInOneBurst", {"x\r\n", "y"}, {"x\r\n", "y", ""}},
                      BurstCase{"TwoCarriageReturns", {"p\r\r", "\nq"}, {"p\r", "\r\nq", ""}}),
    [](const ::testing::TestParamInfo<BurstCase> &info) { return info.param.name; });

// ---- Failures: the device and the reason, once --------------------------------------------------

TEST_F(ReceiverOnLine, VanishingDeviceEndsTheReceiveWithOneMessageAndKeepsTheText)
{
    QStringList failures;
    QObject::connect(&receiver, &SerialReceiver::failed, [&](const QString &message) { failures.append(message); });
    ASSERT_TRUE(line.writeAll("kept\r\n"));
    QString text;
    runUntil([&] {
        text += receiver.readAvailable();
        return text.size() >= 6;
    });
    line.close();

    ASSERT_TRUE(runUntil([&] { return receiver.hasFailed(); }));
    // Qt would go on reporting the vanished device at full speed; give it the chance.
    runFor(200ms);

    EXPECT_EQ(failures.count(), 1);
    EXPECT_FALSE(receiver.isOpen());
    EXPECT_EQ(text + receiver.finish(), QStringLiteral("kept\r\n"));
    const QString expected = QStringLiteral("The connection to %1 was lost: the device is gone (cable or USB "
                                            "adapter unplugged?). The text received so far is kept.")
                                 .arg(line.devicePath());
    EXPECT_EQ(receiver.errorString(), expected);
    EXPECT_EQ(failures.value(0), expected);
}

TEST_F(ReceiverOnLine, BytesNotYetReadWhenTheDeviceVanishesAreStillHandedOver)
{
    ASSERT_TRUE(line.writeAll("unread\r"));
    ASSERT_TRUE(runUntil([&] { return receiver.hasWaiting(); }));
    line.close();
    ASSERT_TRUE(runUntil([&] { return receiver.hasFailed(); }));

    EXPECT_TRUE(receiver.hasWaiting());
    const QString text = receiver.readAvailable();
    EXPECT_EQ(text + receiver.finish(), QStringLiteral("unread\r"));
}

// ---- The download's loop -------------------------------------------------------------------------

TEST_F(ReceiverOnLine, TheLoopEndsOnAStopFromTheEventLoopWithoutAFailureAndClosesThePort)
{
    bool stop = false;
    QTimer::singleShot(0, [&stop] { stop = true; });
    QString shown;
    EXPECT_TRUE(elvaro::serial::receiveUntilStopped(receiver, {.stopRequested = [&stop] { return stop; },
                                                               .show = [&shown](const QString &text) { shown += text; },
                                                               .progress = nullptr}));
    EXPECT_EQ(shown, QString());
    EXPECT_FALSE(receiver.isOpen());
}

TEST_F(ReceiverOnLine, TheLoopEndsWhenTheDeviceVanishesWithItsMessageAndAllThatArrived)
{
    ASSERT_TRUE(line.writeAll("kept\r\n"));
    const Deadline deadline(10s);
    QString shown;
    qint64 counted = 0;
    const bool received =
        elvaro::serial::receiveUntilStopped(receiver, {.stopRequested = [&deadline] { return deadline.expired(); },
                                                       .show =
                                                           [&](const QString &text) {
                                                               shown += text;
                                                               if (shown.endsWith(u'\n'))
                                                                   line.close();
                                                           },
                                                       .progress = [&counted](qint64 bytes) { counted = bytes; }});
    EXPECT_FALSE(deadline.expired());
    EXPECT_EQ(shown, QStringLiteral("kept\r\n"));
    EXPECT_EQ(counted, 6);
    EXPECT_FALSE(received);
    EXPECT_EQ(receiver.errorString(),
              QStringLiteral("The connection to %1 was lost: the device is gone (cable or USB adapter "
                             "unplugged?). The text received so far is kept.")
                  .arg(line.devicePath()));
}

struct OpenFailureCase {
    const char *name;
    std::function<QString(PseudoTerminal &, SerialReceiver &holder)> device;
    QString reason;
};
void PrintTo(const OpenFailureCase &example, std::ostream *out)
{
    *out << example.name;
}

class OpenFailures : public ::testing::TestWithParam<OpenFailureCase> {};

TEST_P(OpenFailures, NameTheDeviceAndTheReason)
{
    ensureApplication();
    PseudoTerminal line;
    ASSERT_TRUE(line.open());
    SerialReceiver holder;
    const QString device = GetParam().device(line, holder);

    SerialReceiver receiver;
    int failures = 0;
    QObject::connect(&receiver, &SerialReceiver::failed, [&] { ++failures; });
    EXPECT_FALSE(receiver.open(device));
    EXPECT_FALSE(receiver.isOpen());
    EXPECT_EQ(receiver.errorString(), QStringLiteral("Cannot open %1: %2").arg(device, GetParam().reason));
    // An open that fails is told by open()'s result, not as a failure of a running receive.
    EXPECT_EQ(failures, 0);
    EXPECT_FALSE(receiver.hasFailed());
}

INSTANTIATE_TEST_SUITE_P(
    Receiver, OpenFailures,
    ::testing::Values(OpenFailureCase{"NoSuchDevice",
                                      [](PseudoTerminal &, SerialReceiver &) {
                                          return QStringLiteral("/dev/ttyNOSUCH7");
                                      },
                                      QStringLiteral("there is no such device. Check that the instrument's cable or "
                                                     "USB adapter is plugged in and that this is the port it is "
                                                     "connected to.")},
                      OpenFailureCase{"InUse",
                                      [](PseudoTerminal &line, SerialReceiver &holder) {
                                          EXPECT_TRUE(holder.open(line.devicePath()));
                                          return line.devicePath();
                                      },
                                      QStringLiteral("the port is in use by another program. Close that program and "
                                                     "try again.")},
                      OpenFailureCase{"NotASerialPort",
                                      [](PseudoTerminal &, SerialReceiver &) { return QStringLiteral("/dev/null"); },
                                      QStringLiteral("it is not a serial port. Choose the port the instrument is "
                                                     "connected to.")}),
    [](const ::testing::TestParamInfo<OpenFailureCase> &info) { return info.param.name; });

// Lack of permission cannot be produced for real when the tests run as root: the advice is looked
// at for the owners and modes a device may have. A group is advised only when it may read and write.
TEST(OpenFailureMessages, PermissionAdviceNamesAGroupOnlyWhereThatGroupMayUseTheDevice)
{
    using elvaro::serial::DeviceAccess;
    EXPECT_EQ(elvaro::serial::classifyOpenFailure(QSerialPort::PermissionError, 0, EACCES), OpenFailure::NoPermission);
    const auto access = [](const char *owner, const char *group, mode_t mode, bool listed = false) {
        return DeviceAccess{"ann", owner, group, static_cast<mode_t>(S_IFCHR | mode), listed, false};
    };
    const std::pair<DeviceAccess, const char *> cases[] = {
        {access("root", "dialout", 0660), "Members of the group 'dialout' may use it: ask the administrator to add you "
                                          "to that group (sudo adduser ann dialout), then log in again."},
        {access("root", "dialout", 0660, true),
         "You were added to the group 'dialout', which may use it, after you logged in: log out and in again for it "
         "to count."},
        {access("root", "root", 0600),
         "Only its owner root may read and write it (owner root, group root, mode crw-------). Ask the administrator "
         "to let the group dialout read and write it (for example with a udev rule) and to add you to that group."},
        {access("root", "dialout", 0640),
         "Only its owner root may read and write it (owner root, group dialout, mode crw-r-----). Ask the "
         "administrator to let the group dialout read and write it (for example with a udev rule) and to add you to "
         "that group."},
        {access("root", "root", 0), "Nobody may read and write it (owner root, group root, mode c---------). Ask the "
                                    "administrator to let the group dialout read and write it (for example with a "
                                    "udev rule) and to add you to that group."},
        {DeviceAccess{}, "Ask the administrator for access to it."},
    };
    for (const auto &[device, advice] : cases)
        EXPECT_EQ(elvaro::serial::permissionAdvice(device), advice) << advice;
}

} // namespace
