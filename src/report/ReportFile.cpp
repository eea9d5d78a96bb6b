#include "report/ReportFile.h"

#include "report/ByteFilter.h"
#include "report/ReportFileError.h"
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
void decodeInPlace(std::string &bytes, ReportEncoding encoding)
{
    if (encoding == ReportEncoding::Automatic)
        encoding = readsAsUtf8(bytes) ? ReportEncoding::Utf8 : ReportEncoding::CodePage437;
    if (encoding == ReportEncoding::Utf8) {
        const std::size_t invalid = firstInvalidUtf8(bytes);
        if (invalid != std::string::npos) {
            throw ReportFileError("the report is not UTF-8: line " + std::to_string(lineOf(bytes, invalid))
                                  + " holds a byte that is no part of a UTF-8 character. Read it as the "
                                    "instrument's code page with --encoding cp437.");
        }
        mapUtf8Report(bytes);
    } else if (hasHighBytes(bytes)) {
        std::string filtered;
        filtered.reserve(bytes.size() + bytes.size() / 4);
        appendFiltered(filtered, bytes);
        bytes = std::move(filtered);
    }
    lineEndsOfLinux(bytes);
}

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};

void readAll(std::FILE *file, std::string &bytes)
{
    char chunk[1 << 16];
    try {
        for (;;) {
            const std::size_t n = std::fread(chunk, 1, sizeof chunk, file);
            if (bytes.size() + n > kMaxReportBytes) {
                throw ReportFileError("the report is larger than " + std::to_string(kMaxReportBytes >> 20)
                                      + " MiB, the most this program reads; a report of the instrument is far "
                                        "smaller. Check that this is the right file, or cut it into smaller reports.");
            }
            bytes.append(chunk, n);
            if (n < sizeof chunk) {
                if (std::ferror(file))
                    throw ReportFileError(system::errorText(errno));
                return;
            }
        }
    } catch (const std::bad_alloc &) {
        throw ReportFileError("Not enough memory to read the report (" + std::to_string(bytes.size() >> 20)
                              + " MiB read so far). Close other programs and try again.");
    }
}

} // namespace

std::string decodeReport(std::string bytes, ReportEncoding encoding)
{
    try {
        decodeInPlace(bytes, encoding);
    } catch (const std::bad_alloc &) {
        throw ReportFileError("Not enough memory to read the report (" + std::to_string(bytes.size() >> 20)
                              + " MiB). Close other programs and try again.");
    }
    return bytes;
}

std::string readReportBytes(const std::string &path)
{
    std::string bytes;
    if (path == "-") {
        readAll(stdin, bytes);
        return bytes;
    }
    errno = 0;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw ReportFileError(system::errorText(errno));
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
    readAll(file.get(), bytes);
    return bytes;
}

std::string readReportFile(const std::string &path, ReportEncoding encoding)
{
    return decodeReport(readReportBytes(path), encoding);
}

} // namespace elvaro::report
