#include "export/XlsxVerifier.h"

#include "export/XmlPartCheck.h"
#include "export/ZipArchive.h"

#include <algorithm>
#include <map>

namespace elvaro::excel {

namespace {

bool isXml(const std::string &name)
{
    return name.ends_with(".xml") || name.ends_with(".rels");
}

std::string sheetPart(std::size_t number)
{
    return "xl/worksheets/sheet" + std::to_string(number) + ".xml";
}

std::string counted(std::int64_t count, const char *what)
{
    return std::to_string(count) + " " + what;
}

} // namespace

std::optional<std::string> verifyXlsx(const std::string &path, const std::vector<SheetContents> &sheets)
{
    const ZipArchive archive(path);
    if (archive.fault())
        return archive.fault();

    std::map<std::string, SheetContents> expected;
    for (std::size_t i = 0; i < sheets.size(); ++i)
        expected.emplace(sheetPart(i + 1), sheets[i]);
    std::vector<std::string> required{"[Content_Types].xml", "xl/workbook.xml"};
    for (const auto &[name, contents] : expected)
        required.push_back(name);
    for (const std::string &name : required) {
        const auto &entries = archive.entries();
        if (std::none_of(entries.begin(), entries.end(),
                         [&](const ZipArchive::Entry &entry) { return entry.name == name; }))
            return "its part " + name + " is missing";
    }

    for (const ZipArchive::Entry &entry : archive.entries()) {
        XmlPartCheck check;
        const bool xml = isXml(entry.name);
        const auto sink = [&](std::string_view piece) {
            if (xml)
                check.add(piece);
        };
        if (std::optional<std::string> fault = archive.read(entry, sink))
            return fault;
        if (xml && !check.isComplete())
            return "its part " + entry.name + " came out incomplete";
        const auto sheet = expected.find(entry.name);
        if (sheet == expected.end())
            continue;
        if (check.rows() != sheet->second.rows)
            return "its part " + entry.name + " holds " + counted(check.rows(), "rows") + " instead of "
                   + std::to_string(sheet->second.rows);
        if (check.cells() != sheet->second.cells)
            return "its part " + entry.name + " holds " + counted(check.cells(), "cells") + " instead of "
                   + std::to_string(sheet->second.cells);
    }
    return std::nullopt;
}

} // namespace elvaro::excel
