#include "workbook/XlsxVerifier.h"

#include "workbook/FileError.h"
#include "workbook/WorkbookError.h"
#include "workbook/XmlPartCheck.h"

#include <unzip.h>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <set>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace elvaro::workbook {

namespace {

constexpr const char *kSheetPart = "xl/worksheets/sheet1.xml";

struct ArchiveClose {
    void operator()(unzFile archive) const { unzClose(archive); }
};
using Archive = std::unique_ptr<std::remove_pointer_t<unzFile>, ArchiveClose>;

bool isXml(const std::string &name)
{
    return name.ends_with(".xml") || name.ends_with(".rels");
}

[[noreturn]] void damaged(const std::string &name, const char *what)
{
    throw WorkbookError("its part " + name + " is damaged (" + what + ")");
}

// Unpacks the archive's current entry and checks it; returns the check of its XML.
XmlPartCheck readEntry(unzFile archive, const std::string &name, const unz_file_info64 &info)
{
    if (unzOpenCurrentFile(archive) != UNZ_OK)
        damaged(name, "its header cannot be read");
    XmlPartCheck check;
    const bool xml = isXml(name);
    std::vector<char> chunk(64 * 1024);
    std::uint64_t size = 0;
    int read = 0;
    while ((read = unzReadCurrentFile(archive, chunk.data(), static_cast<unsigned>(chunk.size()))) > 0) {
        size += static_cast<std::uint64_t>(read);
        if (xml)
            check.add(std::string_view(chunk.data(), static_cast<std::size_t>(read)));
    }
    const int closed = unzCloseCurrentFile(archive);
    if (read < 0)
        damaged(name, "its compressed data is broken");
    if (size != info.uncompressed_size)
        damaged(name, "its size does not match");
    if (closed == UNZ_CRCERROR)
        damaged(name, "its check sum does not match");
    if (closed != UNZ_OK)
        damaged(name, "it cannot be unpacked");
    if (xml && !check.isComplete())
        throw WorkbookError("its part " + name + " came out incomplete");
    return check;
}

std::string counted(std::int64_t count, const char *what, std::int64_t expected)
{
    return std::to_string(count) + " " + what + " instead of " + std::to_string(expected);
}

} // namespace

void verifyXlsx(const std::string &path, const SheetContents &sheet)
{
    const int readable = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (readable < 0)
        throw FileError("cannot read back the written file", errno);
    // The end record of the zip directory closes the file: the writer adds no comment after it.
    char end[4] = {};
    const bool closed = ::lseek(readable, -22, SEEK_END) >= 0 && ::read(readable, end, sizeof end) == sizeof end;
    ::close(readable);
    if (!closed || std::string_view(end, sizeof end) != std::string_view("PK\5\6", 4))
        throw WorkbookError("the finished file is cut short or damaged: its zip directory cannot be read");
    const Archive archive(unzOpen64(path.c_str()));
    if (!archive)
        throw WorkbookError("the finished file is cut short or damaged: its zip directory cannot be read");

    std::set<std::string> names;
    for (int step = unzGoToFirstFile(archive.get()); step != UNZ_END_OF_LIST_OF_FILE;
         step = unzGoToNextFile(archive.get())) {
        unz_file_info64 info{};
        char name[1024];
        if (step != UNZ_OK
            || unzGetCurrentFileInfo64(archive.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
            throw WorkbookError("the finished file is damaged: its zip directory does not hold together");
        const XmlPartCheck check = readEntry(archive.get(), name, info);
        names.insert(name);
        if (name != std::string(kSheetPart))
            continue;
        if (check.rows() != sheet.rows)
            throw WorkbookError("its part " + std::string(name) + " holds "
                                + counted(check.rows(), "rows", sheet.rows));
        if (check.cells() != sheet.cells)
            throw WorkbookError("its part " + std::string(name) + " holds "
                                + counted(check.cells(), "cells", sheet.cells));
    }
    for (const char *required : {"[Content_Types].xml", "xl/workbook.xml", kSheetPart}) {
        if (!names.contains(required))
            throw WorkbookError("its part " + std::string(required) + " is missing");
    }
}

} // namespace elvaro::workbook
