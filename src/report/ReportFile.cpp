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

// The filter keeps one character per byte, so the text is decoded where it stands.
void decodeInPlace(std::string &bytes)
{
    filterInPlace(bytes);
    lineEndsOfLinux(bytes);
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

std::string decodeReport(std::string_view bytes)
{
    std::string text(bytes);
    decodeInPlace(text);
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

std::optional<std::string> readReportFile(const std::string &path, std::string &error)
{
    std::optional<std::string> bytes = readReportBytes(path, error);
    if (!bytes)
        return std::nullopt;
    decodeInPlace(*bytes);
    return bytes;
}

} // namespace elvaro::report
