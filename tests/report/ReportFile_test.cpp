#include "common/Bytes.h"
#include "report/ByteFilter.h"
#include "report/ReportEncoding.h"
#include "report/ReportFile.h"
#include "report/ReportFileError.h"
#include "workbook/WorkbookTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <string>

namespace elvaro::report {
namespace {

using elvaro::testing::bytes;
using elvaro::testing::filtered;

// The character code page 437 gives a byte, from the C library's converter: a table of its own,
// not the program's.
std::string codePage437(unsigned char byte)
{
    iconv_t converter = ::iconv_open("UTF-8", "IBM437");
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

// Every byte value keeps its character or maps to a line-drawing one, alone and at every offset
// of a long text (long texts are filtered eight bytes at a time).
TEST(ByteFilter, KeepsEveryCharacterAndMapsTheLineDrawingBytesAnywhereInTheText)
{
    for (int value = 0; value < 256; ++value) {
        const std::string expected = value == 196                   ? "-"
                                     : value == 205                 ? "="
                                     : value == 179 || value == 186 ? "|"
                                     : value >= 180 && value <= 218 ? "+"
                                     : value < 128                  ? std::string(1, static_cast<char>(value))
                                                                    : codePage437(value);
        ASSERT_EQ(filterByte(static_cast<unsigned char>(value)), expected) << "byte " << value;
        for (std::size_t offset = 0; offset < 20; ++offset) {
            std::string text(24, 'a');
            text[offset] = static_cast<char>(value);
            ASSERT_EQ(filtered(text), std::string(offset, 'a') + expected + std::string(23 - offset, 'a'))
                << "value " << value << " at " << offset;
        }
    }
}

// What reading the file gives: its text, or "error: " and the reason.
std::string readOrWhy(const std::string &path, ReportEncoding encoding = ReportEncoding::Automatic)
{
    try {
        return readReportFile(path, encoding);
    } catch (const ReportFileError &problem) {
        return std::string("error: ") + problem.what();
    }
}

TEST(ReportFile, ChoosesTheEncodingAndMapsBoxDrawingAlike)
{
    elvaro::testing::TemporaryFolder folder;
    const auto line = [](const char *number) {
        return std::string("error: the report is not UTF-8: line ") + number
               + " holds a byte that is no part of a UTF-8 character. Read it as the instrument's code page with "
                 "--encoding cp437.";
    };
    const std::tuple<std::string, ReportEncoding, std::string> cases[] = {
        // Line ends: a carriage return ends a line; without any, a line feed does.
        {"a\r\nb\r\n", ReportEncoding::Automatic, "a\r\nb\r\n"},
        {"a\nb\n", ReportEncoding::Automatic, "a\rb\r"},
        {"a\rb\nc", ReportEncoding::Automatic, "a\rb\nc"},
        // The instrument's bytes, which are never valid UTF-8.
        {bytes({218, 196, 191, 201, 205, 187, 13, 10, 179, 133, 186}), ReportEncoding::Automatic, "+-++=+\r\n|à|"},
        // UTF-8 from another program: box drawing mapped, other characters kept, the mark dropped.
        {"┌─┐╔═╗╭┄╮\n│x│║y║┃z┃\n└─┘╚═╝╰┈╯\n", ReportEncoding::Automatic, "+-++=++-+\r|x||y||z|\r+-++=++-+\r"},
        {"\xEF\xBB\xBFTemp 21.5 °C\n", ReportEncoding::Automatic, "Temp 21.5 °C\r"},
        {"°", ReportEncoding::CodePage437, "+\u2591"},
        {bytes({248}), ReportEncoding::Utf8, line("1")},
        {"ok\n\xC3\x28\n", ReportEncoding::Utf8, line("2")}};
    for (const auto &[content, encoding, text] : cases) {
        std::ofstream(folder.file("report.txt"), std::ios::binary) << content;
        EXPECT_EQ(readOrWhy(folder.file("report.txt"), encoding), text) << content;
    }
}

TEST(ReportFile, ReportsWhyAFileCannotBeReadAndRefusesMoreThanTheLargestReport)
{
    elvaro::testing::TemporaryFolder folder;
    const std::filesystem::path dir = folder.path();
    EXPECT_EQ(readOrWhy((dir / "missing.txt").string()), "error: No such file or directory");
    EXPECT_EQ(readOrWhy(dir.string()), "error: Is a directory");

    // Sparse files of NULs cost no disk: one of exactly the bound is read; one of 2 GB and an
    // endless device end once the bound is passed, with the reason.
    for (const auto &[name, size] :
         {std::pair{"bound.txt", kMaxReportBytes}, std::pair{"huge.bin", std::size_t{2} << 30}}) {
        std::ofstream(dir / name).close();
        std::filesystem::resize_file(dir / name, size);
    }
    EXPECT_EQ(readReportBytes(folder.file("bound.txt")).size(), kMaxReportBytes);
    for (const std::string &path : {folder.file("huge.bin"), std::string("/dev/zero")}) {
        EXPECT_EQ(readOrWhy(path),
                  "error: the report is larger than 64 MiB, the most this program reads; a report of the instrument "
                  "is far smaller. Check that this is the right file, or cut it into smaller reports.")
            << path;
    }
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

TEST(ReportEncoding, UnicodeTextGoesToTheInstrumentsCodePageAndReadsBackTheSame)
{
    std::size_t replaced = 0;
    EXPECT_EQ(toCodePage437("\xEF\xBB\xBF┌─┐ °C ±0.2 µS Niccolò ╭━╮ €", replaced),
              bytes({218, 196, 191, ' ', 248, 'C', ' ', 241, '0', '.', '2', ' ', 230, 'S',
                     ' ', 'N', 'i', 'c', 'c', 'o', 'l', 149, ' ', 197, 196, 197, ' ', '?'}));
    EXPECT_EQ(replaced, 1u);
    std::string all;
    for (int value = 128; value < 256; ++value)
        all += filterByte(static_cast<unsigned char>(value));
    EXPECT_EQ(filtered(toCodePage437(all, replaced)), all);
    EXPECT_EQ(replaced, 0u);
}

} // namespace
} // namespace elvaro::report
