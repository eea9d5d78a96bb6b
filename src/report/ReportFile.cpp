#include "report/ReportFile.h"

#include "report/ByteFilter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace elvaro::report {

std::string decodeReport(std::string_view bytes)
{
    std::string text = filterBytes(bytes);
    if (text.find('\r') == std::string::npos) {
        for (char &c : text) {
            if (c == '\n')
                c = '\r';
        }
    }
    return text;
}

namespace {

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};

bool readAll(std::FILE *file, std::string &bytes, std::string &error)
{
    char chunk[1 << 16];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file);
        bytes.append(chunk, n);
        if (n < sizeof chunk) {
            if (std::ferror(file)) {
                error = std::strerror(errno);
                return false;
            }
            return true;
        }
    }
}

} // namespace

std::optional<std::string> readReportFile(const std::string &path, std::string &error)
{
    std::string bytes;
    if (path == "-") {
        if (!readAll(stdin, bytes, error))
            return std::nullopt;
        return decodeReport(bytes);
    }
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    // fopen succeeds on a directory; the first read reports EISDIR.
    if (!readAll(file.get(), bytes, error))
        return std::nullopt;
    return decodeReport(bytes);
}

} // namespace elvaro::report
