#include "export/ZipArchive.h"

#include "export/FileError.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace elvaro::excel {

namespace {

constexpr std::uint32_t kEndOfDirectorySignature = 0x06054b50;
constexpr std::uint32_t kDirectoryEntrySignature = 0x02014b50;
constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr std::size_t kEndOfDirectorySize = 22;
constexpr std::size_t kDirectoryEntrySize = 46;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kMaxCommentSize = 0xFFFF;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::size_t kInflateChunk = 64 * 1024;

const char *const kDamagedDirectory = "the finished file is damaged: its zip directory does not hold together";
const char *const kCannotReadBack = "cannot read back the written file";

std::uint16_t read16(const unsigned char *at)
{
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

std::uint32_t read32(const unsigned char *at)
{
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8)
           | (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

std::string damaged(const std::string &name, const char *why)
{
    return "its part " + name + " is damaged (" + why + ")";
}

} // namespace

ZipArchive::ZipArchive(const std::string &path)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        throw FileError(kCannotReadBack, errno);
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        const int error = errno;
        ::close(descriptor);
        throw FileError(kCannotReadBack, error);
    }
    m_size = static_cast<std::size_t>(status.st_size);
    if (m_size > 0) {
        void *mapped = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE, descriptor, 0);
        if (mapped == MAP_FAILED) {
            const int error = errno;
            ::close(descriptor);
            throw FileError(kCannotReadBack, error);
        }
        m_data = static_cast<const unsigned char *>(mapped);
    }
    ::close(descriptor);
    m_fault = readDirectory();
}

ZipArchive::~ZipArchive()
{
    if (m_data)
        ::munmap(const_cast<unsigned char *>(m_data), m_size);
}

std::string_view ZipArchive::bytes(std::size_t offset, std::size_t length) const
{
    return {reinterpret_cast<const char *>(m_data) + offset, length};
}

std::optional<std::string> ZipArchive::readDirectory()
{
    if (m_size < kEndOfDirectorySize)
        return "the finished file is cut short: its zip directory is missing";
    // The end record stands last, followed only by its comment.
    std::size_t end = m_size - kEndOfDirectorySize;
    const std::size_t lowest = end > kMaxCommentSize ? end - kMaxCommentSize : 0;
    while (read32(m_data + end) != kEndOfDirectorySignature
           || end + kEndOfDirectorySize + read16(m_data + end + 20) != m_size) {
        if (end == lowest)
            return "the finished file is cut short: its zip directory is missing";
        --end;
    }
    const unsigned char *record = m_data + end;
    const std::uint16_t count = read16(record + 10);
    const std::uint32_t directorySize = read32(record + 12);
    const std::uint32_t directoryOffset = read32(record + 16);
    if (read16(record + 4) != 0 || read16(record + 6) != 0 || read16(record + 8) != count
        || std::size_t{directoryOffset} + directorySize != end)
        return kDamagedDirectory;

    std::size_t at = directoryOffset;
    for (std::uint16_t i = 0; i < count; ++i) {
        if (at + kDirectoryEntrySize > end || read32(m_data + at) != kDirectoryEntrySignature)
            return kDamagedDirectory;
        const unsigned char *header = m_data + at;
        const std::size_t nameLength = read16(header + 28);
        const std::size_t recordLength = kDirectoryEntrySize + nameLength + read16(header + 30) + read16(header + 32);
        if (at + recordLength > end)
            return kDamagedDirectory;
        Entry entry;
        entry.method = read16(header + 10);
        entry.crc = read32(header + 16);
        entry.compressedSize = read32(header + 20);
        entry.size = read32(header + 24);
        entry.localHeaderOffset = read32(header + 42);
        entry.name = bytes(at + kDirectoryEntrySize, nameLength);
        m_entries.push_back(std::move(entry));
        at += recordLength;
    }
    if (at != end)
        return kDamagedDirectory;
    return std::nullopt;
}

std::optional<std::string> ZipArchive::read(const Entry &entry, const std::function<void(std::string_view)> &sink) const
{
    const std::size_t local = entry.localHeaderOffset;
    if (local + kLocalHeaderSize > m_size || read32(m_data + local) != kLocalHeaderSignature)
        return damaged(entry.name, "its header is missing");
    const std::size_t start = local + kLocalHeaderSize + read16(m_data + local + 26) + read16(m_data + local + 28);
    if (start > m_size || m_size - start < entry.compressedSize)
        return damaged(entry.name, "its data lies past the end of the file");

    uLong crc = ::crc32(0L, Z_NULL, 0);
    std::size_t produced = 0;
    const auto deliver = [&](const unsigned char *piece, std::size_t length) {
        crc = ::crc32(crc, piece, static_cast<uInt>(length));
        produced += length;
        sink(std::string_view(reinterpret_cast<const char *>(piece), length));
    };

    if (entry.method == kStored) {
        for (std::size_t offset = 0; offset < entry.compressedSize; offset += kInflateChunk)
            deliver(m_data + start + offset, std::min<std::size_t>(kInflateChunk, entry.compressedSize - offset));
    } else if (entry.method == kDeflated) {
        z_stream stream{};
        if (::inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            return damaged(entry.name, "it cannot be unpacked: out of memory");
        stream.next_in = const_cast<Bytef *>(m_data + start);
        stream.avail_in = entry.compressedSize;
        unsigned char chunk[kInflateChunk];
        int result = Z_OK;
        while (result == Z_OK) {
            stream.next_out = chunk;
            stream.avail_out = sizeof chunk;
            result = ::inflate(&stream, Z_NO_FLUSH);
            if (result == Z_OK || result == Z_STREAM_END)
                deliver(chunk, sizeof chunk - stream.avail_out);
        }
        ::inflateEnd(&stream);
        if (result != Z_STREAM_END)
            return damaged(entry.name, "its compressed data is broken");
    } else {
        return damaged(entry.name, "it is packed in an unknown way");
    }
    if (produced != entry.size)
        return damaged(entry.name, "its size does not match");
    if (crc != entry.crc)
        return damaged(entry.name, "its check sum does not match");
    return std::nullopt;
}

} // namespace elvaro::excel
