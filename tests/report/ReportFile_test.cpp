#include "common/Bytes.h"
#include "report/ByteFilter.h"
#include "report/ReportEncoding.h"
#include "report/ReportFile.h"
#include "report/ReportFileError.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <optional>
#include <string>
#include <string_view>

namespace elvaro::report {
namespace {

using elvaro::testing::bytes;

// The character code page 437 gives a byte, from the C library's converter: a table of its own,
// not the program's.
std::string codePage437(unsigned char byte)
{
    iconv_t converter = ::iconv_open("UTF-8", "IBM437");
    EXPECT_NE(converter, reinterpret_cast<iconv_t>(-1));
    char in = static_cast<char>(byte);
    char out[8] = {};
    char *from = &in;
    char *to = out;
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof out;
    ::iconv(converter, &from, &inLeft, &to, &outLeft);
    ::iconv_close(converter);
    return std::string(out, sizeof out - outLeft);
}

TEST(ByteFilter, KeepsEveryCharacterAndMapsTheLineDrawingBytes)
{
    for (int value = 0; value < 128; ++value)
        EXPECT_EQ(filterByte(static_cast<unsigned char>(value)), std::string(1, static_cast<char>(value)));
    for (int value = 128; value < 256; ++value) {
        const auto byte = static_cast<unsigned char>(value);
        std::string expected = codePage437(byte);
        if (value == 196)
            expected = "-";
        else if (value == 205)
            expected = "=";
        else if (value == 179 || value == 186)
            expected = "|";
        else if (value >= 180 && value <= 218)
            expected = "+";
        EXPECT_EQ(filterByte(byte), expected) << "byte " << value;
    }
    EXPECT_EQ(filterBytes(bytes({'T', ' ', '2', '1', '.', '5', ' ', 248, 'C', ' ', 241, 230, 253})), "T 21.5 °C ±µ²");
}

TEST(ByteFilter, EveryByteValueAtEveryOffsetOfALongText)
{
    // Long texts are filtered eight bytes at a time: each value must come out the same whatever
    // its place, among plain text or not.
    for (int value = 0; value < 256; ++value) {
        for (std::size_t offset = 0; offset < 20; ++offset) {
            std::string text(24, 'a');
            text[offset] = static_cast<char>(value);
            const std::string expected = std::string(offset, 'a')
                                         + std::string(filterByte(static_cast<unsigned char>(value)))
                                         + std::string(23 - offset, 'a');
            ASSERT_EQ(filterBytes(text), expected) << "value " << value << " at " << offset;
        }
    }
}

std::string decoded(std::string_view bytes, ReportEncoding encoding = ReportEncoding::Automatic)
{
    try {
        return decodeReport(std::string(bytes), encoding);
    } catch (const ReportFileError &problem) {
        return std::string("error: ") + problem.what();
    }
}

// What reading the file gives: its text, or "error: " and the reason.
std::string readOrWhy(const std::string &path)
{
    try {
        return readReportFile(path);
    } catch (const ReportFileError &problem) {
        return std::string("error: ") + problem.what();
    }
}

TEST(ReportFile, ChoosesTheEncodingAndMapsBoxDrawingAlike)
{
    struct Case {
        std::string bytes;
        ReportEncoding encoding;
        std::string text;
    };
    const std::string utf8Box = "┌─┐╔═╗╭┄╮\n│x│║y║┃z┃\n└─┘╚═╝╰┈╯\n";
    const Case cases[] = {
        // Line ends: a carriage return ends a line; without any, a line feed does.
        {"a\r\nb\r\n", ReportEncoding::Automatic, "a\r\nb\r\n"},
        {"a\nb\n", ReportEncoding::Automatic, "a\rb\r"},
        {"a\rb\nc", ReportEncoding::Automatic, "a\rb\nc"},
        // The instrument's bytes, which are never valid UTF-8.
        {bytes({218, 196, 191, 201, 205, 187, 13, 10, 179, 133, 186}), ReportEncoding::Automatic, "+-++=+\r\n|à|"},
        // UTF-8 from another program: box drawing mapped, other characters kept, the mark dropped.
        {utf8Box, ReportEncoding::Automatic, "+-++=++-+\r|x||y||z|\r+-++=++-+\r"},
        {"\xEF\xBB\xBFTemp 21.5 °C\n", ReportEncoding::Automatic, "Temp 21.5 °C\r"},
        // Forced readings.
        {"°", ReportEncoding::CodePage437, "+\u2591"},
        {bytes({248}), ReportEncoding::Utf8,
         "error: the report is not UTF-8: line 1 holds a byte that is no part "
         "of a UTF-8 character. Read it as the instrument's code page with "
         "--encoding cp437."},
        {"ok\n\xC3\x28\n", ReportEncoding::Utf8,
         "error: the report is not UTF-8: line 2 holds a byte that is no "
         "part of a UTF-8 character. Read it as the instrument's code page "
         "with --encoding cp437."},
    };
    for (const Case &c : cases)
        EXPECT_EQ(decoded(c.bytes, c.encoding), c.text) << c.bytes;
}

TEST(ReportEncoding, RejectsWhatIsNoUtf8Character)
{
    // Overlong forms, surrogates, values past U+10FFFF, stray and cut-short sequences.
    for (const std::string &bad : {std::string("\xC0\xAF"), std::string("\xE0\x80\xAF"), std::string("\xED\xA0\x80"),
                                   std::string("\xF4\x90\x80\x80"), std::string("\x80"), std::string("\xE2\x94")}) {
        EXPECT_EQ(firstInvalidUtf8("ab" + bad), 2u) << bad;
        EXPECT_FALSE(readsAsUtf8("ab" + bad));
    }
    EXPECT_EQ(firstInvalidUtf8("a\xF0\x9F\x98\x80 é"), std::string_view::npos);
    EXPECT_FALSE(readsAsUtf8("plain ASCII"));
}

TEST(ReportEncoding, UnicodeTextGoesToTheInstrumentsCodePage)
{
    std::size_t replaced = 0;
    EXPECT_EQ(toCodePage437("\xEF\xBB\xBF┌─┐ °C ±0.2 µS Niccolò ╭━╮ €", replaced),
              bytes({218, 196, 191, ' ', 248, 'C', ' ', 241, '0', '.', '2', ' ', 230, 'S',
                     ' ', 'N', 'i', 'c', 'c', 'o', 'l', 149, ' ', 197, 196, 197, ' ', '?'}));
    EXPECT_EQ(replaced, 1u);
    // What the simulator sends reads back as the text it was given, box drawing aside.
    std::string all;
    for (int value = 128; value < 256; ++value)
        all += filterByte(static_cast<unsigned char>(value));
    EXPECT_EQ(filterBytes(toCodePage437(all, replaced)), all);
    EXPECT_EQ(replaced, 0u);
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
    EXPECT_EQ(readOrWhy(path.string()), "+-+\r\n");
}

TEST_F(ReportFileOnDisk, ReportsWhyAFileCannotBeRead)
{
    EXPECT_EQ(readOrWhy((dir / "missing.txt").string()), "error: No such file or directory");
    EXPECT_EQ(readOrWhy(dir.string()), "error: Is a directory");
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
        EXPECT_EQ(readOrWhy(path),
                  "error: the report is larger than 64 MiB, the most this program reads; a report of the instrument "
                  "is far smaller. Check that this is the right file, or cut it into smaller reports.")
            << path;
    }
}

TEST_F(ReportFileOnDisk, AReportOfExactlyTheBoundIsRead)
{
    const auto path = dir / "bound.txt";
    {
        std::ofstream(path, std::ios::binary);
    }
    std::filesystem::resize_file(path, kMaxReportBytes);
    EXPECT_EQ(readReportBytes(path.string()).size(), kMaxReportBytes);
}

} // namespace
} // namespace elvaro::report
