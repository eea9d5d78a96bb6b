#pragma once

#include "export/CsvFile.h"

#include "export/Worksheet.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace elvaro::excel {

class Application;
class Workbook;

// The sheets of a workbook, 1-based, in the order they were added.
class Sheets {
public:
    explicit Sheets(Workbook &parent) : m_parent(parent) {}
    Sheets(const Sheets &) = delete;
    Sheets &operator=(const Sheets &) = delete;

    // Adds a worksheet named "SheetN" (the first N not yet used) and makes it the active sheet.
    Worksheet &Add();
    std::int32_t Count() const { return static_cast<std::int32_t>(m_sheets.size()); }
    // The sheet at the 1-based position; WorkbookError outside 1..Count.
    Worksheet &Item(std::int32_t index) const;

private:
    Workbook &m_parent;
    std::vector<std::unique_ptr<Worksheet>> m_sheets;
};

// A new workbook. It holds no sheet until one is added, and is written to a file only
// by SaveAs.
class Workbook {
public:
    explicit Workbook(excel::Application &application) : m_application(application) {}
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;

    excel::Sheets &Sheets() { return m_sheets; }
    const excel::Sheets &Sheets() const { return m_sheets; }
    excel::Application &Application() const { return m_application; }
    // The sheet that Sheets.Add or a selection made active last; nullptr before the first sheet.
    Worksheet *ActiveSheet() const { return m_activeSheet; }

    // Writes the workbook to `path`, whose name ends in .xlsx (the whole workbook) or .csv
    // (the values of the active sheet). The file appears whole or not at all, replacing any
    // file of that name. Throws WorkbookError for a name of another type or a workbook without a
    // sheet, FileError with the system's reason when the file cannot be written. `csvMark` tells
    // whether a .csv file starts with the UTF-8 byte-order mark.
    void SaveAs(const std::string &path, ByteOrderMark csvMark = ByteOrderMark::Omitted) const;

private:
    friend class Application;
    excel::Application &m_application;
    excel::Sheets m_sheets{*this};
    Worksheet *m_activeSheet = nullptr;
};

} // namespace elvaro::excel
