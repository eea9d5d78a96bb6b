#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace elvaro::excel {

// A finished .zip file read back from disk, to make sure it is whole before it is handed on: its
// central directory, and each entry inflated with its check sum and size compared.
class ZipArchive {
public:
    struct Entry {
        std::string name;
        std::uint16_t method = 0;
        std::uint32_t crc = 0;
        std::uint32_t compressedSize = 0;
        std::uint32_t size = 0;
        std::uint32_t localHeaderOffset = 0;
    };

    // Maps the file and reads its central directory. Throws FileError when the file cannot be
    // read at all; a damaged directory shows in fault().
    explicit ZipArchive(const std::string &path);
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;
    ~ZipArchive();

    // Why the directory could not be read (the file cut short, a damaged record), or nothing.
    const std::optional<std::string> &fault() const { return m_fault; }
    const std::vector<Entry> &entries() const { return m_entries; }

    // Inflates `entry` and hands its bytes to `sink` piece by piece. Returns what is wrong with
    // the entry (data outside the file, a broken stream, a check sum or size that does not
    // match), or nothing when it is whole.
    std::optional<std::string> read(const Entry &entry, const std::function<void(std::string_view)> &sink) const;

private:
    std::optional<std::string> readDirectory();
    std::string_view bytes(std::size_t offset, std::size_t length) const;

    const unsigned char *m_data = nullptr;
    std::size_t m_size = 0;
    std::vector<Entry> m_entries;
    std::optional<std::string> m_fault;
};

} // namespace elvaro::excel
