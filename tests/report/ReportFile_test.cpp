#include "common/Bytes.h"
#include "report/ByteFilter.h"
#include "report/ReportFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace elvaro::report {
namespace {

using elvaro::testing::bytes;

TEST(ByteFilter, MapsLineDrawingBytesAndKeepsAscii)
{
    struct Case {
        std::string in;
        std::string out;
    };
    for (const Case &c : {Case{bytes({218, 196, 196, 191}), "+--+"}, Case{bytes({179, 65, 179}), "|A|"},
                          Case{bytes({192, 196, 217}), "+-+"}, Case{bytes({127, 128, 225, 255}), "\x7f+++"},
                          Case{bytes({13, 10, 0, 9, 12}), bytes({13, 10, 0, 9, 12})}}) {
        EXPECT_EQ(filterBytes(c.in), c.out);
    }
}

TEST(ByteFilter, EveryByteValueAtEveryOffsetOfALongText)
{
    // Long texts are filtered eight bytes at a time, into a new text or where they stand: each
    // value must come out the same whatever its place, among plain text or not.
    for (int value = 0; value < 256; ++value) {
        for (std::size_t offset = 0; offset < 20; ++offset) {
            std::string text(24, 'a');
            text[offset] = static_cast<char>(value);
            std::string expected(24, 'a');
            expected[offset] = filterByte(static_cast<unsigned char>(value));
            ASSERT_EQ(filterBytes(text), expected) << "value " << value << " at " << offset;
            filterInPlace(text);
            ASSERT_EQ(text, expected) << "in place: value " << value << " at " << offset;
        }
    }
}

TEST(ReportFile, LineEndsBecomeTheParsersLineEnds)
{
    EXPECT_EQ(decodeReport("a\r\nb\r\n"), "a\r\nb\r\n");
    EXPECT_EQ(decodeReport("a\nb\n"), "a\rb\r");
    // Once a carriage return is there, line feeds are left for the parser to ignore.
    EXPECT_EQ(decodeReport("a\rb\nc"), "a\rb\nc");
}

class ReportFileOnDisk : public ::testing::Test {
protected:
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("elvaro-report-" + std::to_string(::getpid()));
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }
};

TEST_F(ReportFileOnDisk, ReadsAndFiltersAFile)
{
    const auto path = dir / "r.txt";
    std::ofstream(path, std::ios::binary) << bytes({218, 196, 191, 13, 10});
    std::string error;
    const auto text = readReportFile(path.string(), error);
    ASSERT_TRUE(text) << error;
    EXPECT_EQ(*text, "+-+\r\n");
}

TEST_F(ReportFileOnDisk, ReportsWhyAFileCannotBeRead)
{
    std::string error;
    EXPECT_FALSE(readReportFile((dir / "missing.txt").string(), error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_FALSE(readReportFile(dir.string(), error));
    EXPECT_EQ(error, "Is a directory");
}

TEST_F(ReportFileOnDisk, RefusesMoreThanTheLargestReportBeforeReadingItAll)
{
    // A 2 GB file of NULs (sparse, so it costs no disk) and an endless device: both end once the
    // bound is passed, with the reason.
    const auto huge = dir / "huge.bin";
    {
        std::ofstream(huge, std::ios::binary);
    }
    std::filesystem::resize_file(huge, std::uintmax_t{2} << 30);
    for (const std::string &path : {huge.string(), std::string("/dev/zero")}) {
        std::string error;
        EXPECT_FALSE(readReportFile(path, error)) << path;
        EXPECT_EQ(error, "the report is larger than 64 MiB, the most this program reads; a report of the instrument "
                         "is far smaller. Check that this is the right file, or cut it into smaller reports.");
    }
}

TEST_F(ReportFileOnDisk, AReportOfExactlyTheBoundIsRead)
{
    const auto path = dir / "bound.txt";
    {
        std::ofstream(path, std::ios::binary);
    }
    std::filesystem::resize_file(path, kMaxReportBytes);
    std::string error;
    const auto bytes = readReportBytes(path.string(), error);
    ASSERT_TRUE(bytes) << error;
    EXPECT_EQ(bytes->size(), kMaxReportBytes);
}

} // namespace
} // namespace elvaro::report
