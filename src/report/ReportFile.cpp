#include "report/ReportFile.h"

#include "report/ByteFilter.h"
#include "system/SystemText.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <sys/stat.h>

namespace elvaro::report {

namespace {

void lineEndsOfLinux(std::string &text)
{
    if (text.find('\r') == std::string::npos) {
        for (char &c : text) {
            if (c == '\n')
                c = '\r';
        }
    }
}

bool hasHighBytes(std::string_view bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// The line, counted from 1 as the parser counts them, on which the byte at `offset` stands.
std::size_t lineOf(std::string_view bytes, std::size_t offset)
{
    const std::string_view before = bytes.substr(0, offset);
    const char end = bytes.find('\r') == std::string_view::npos ? '\n' : '\r';
    return static_cast<std::size_t>(std::count(before.begin(), before.end(), end)) + 1;
}

// Decodes `bytes` where they stand when the reading keeps their size or shrinks them: ASCII, and
// UTF-8, whose three-byte box-drawing characters become one; code page 437 grows them.
bool decodeInPlace(std::string &bytes, ReportEncoding encoding, std::string &error)
{
    if (encoding == ReportEncoding::Automatic)
        encoding = readsAsUtf8(bytes) ? ReportEncoding::Utf8 : ReportEncoding::CodePage437;
    if (encoding == ReportEncoding::Utf8) {
        const std::size_t invalid = firstInvalidUtf8(bytes);
        if (invalid != std::string::npos) {
            error = "the report is not UTF-8: line " + std::to_string(lineOf(bytes, invalid))
                    + " holds a byte that is no part of a UTF-8 character. Read it as the instrument's code page "
                      "with --encoding cp437.";
            return false;
        }
        mapUtf8Report(bytes);
    } else if (hasHighBytes(bytes)) {
        std::string filtered;
        filtered.reserve(bytes.size() + bytes.size() / 4);
        appendFiltered(filtered, bytes);
        bytes = std::move(filtered);
    }
    lineEndsOfLinux(bytes);
    return true;
}

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};

bool readAll(std::FILE *file, std::string &bytes, std::string &error)
{
    char chunk[1 << 16];
    try {
        for (;;) {
            const std::size_t n = std::fread(chunk, 1, sizeof chunk, file);
            if (bytes.size() + n > kMaxReportBytes) {
                error = "the report is larger than " + std::to_string(kMaxReportBytes >> 20)
                        + " MiB, the most this program reads; a report of the instrument is far smaller. "
                          "Check that this is the right file, or cut it into smaller reports.";
                return false;
            }
            bytes.append(chunk, n);
            if (n < sizeof chunk) {
                if (std::ferror(file)) {
                    error = system::errorText(errno);
                    return false;
                }
                return true;
            }
        }
    } catch (const std::bad_alloc &) {
        error = "Not enough memory to read the report (" + std::to_string(bytes.size() >> 20)
                + " MiB read so far). Close other programs and try again.";
        return false;
    }
}

} // namespace

std::optional<std::string> decodeReport(std::string_view bytes, ReportEncoding encoding, std::string &error)
{
    std::string text(bytes);
    if (!decodeInPlace(text, encoding, error))
        return std::nullopt;
    return text;
}

std::optional<std::string> readReportBytes(const std::string &path, std::string &error)
{
    std::string bytes;
    if (path == "-") {
        if (!readAll(stdin, bytes, error))
            return std::nullopt;
        return bytes;
    }
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = system::errorText(errno);
        return std::nullopt;
    }
    // A file's size is known ahead: its bytes are read into one allocation instead of a growing one.
    struct stat status {};
    if (::fstat(::fileno(file.get()), &status) == 0 && S_ISREG(status.st_mode)) {
        try {
            bytes.reserve(static_cast<std::size_t>(std::min<off_t>(status.st_size, kMaxReportBytes)) + 1);
        } catch (const std::bad_alloc &) {
            // readAll says so when the bytes do not fit.
        }
    }
    // fopen succeeds on a directory; the first read reports EISDIR.
    if (!readAll(file.get(), bytes, error))
        return std::nullopt;
    return bytes;
}

std::optional<std::string> readReportFile(const std::string &path, std::string &error, ReportEncoding encoding)
{
    std::optional<std::string> bytes = readReportBytes(path, error);
    if (!bytes)
        return std::nullopt;
    try {
        if (!decodeInPlace(*bytes, encoding, error))
            return std::nullopt;
    } catch (const std::bad_alloc &) {
        error = "Not enough memory to read the report (" + std::to_string(bytes->size() >> 20)
                + " MiB). Close other programs and try again.";
        return std::nullopt;
    }
    return bytes;
}

} // namespace elvaro::report
