#pragma once

#include <QString>

namespace elvaro::excel {
class Worksheet;
}

// EXPORT's driver: the report text to a cell tree, the tree into the sheet "Downloaded" of a new
// workbook, and the workbook shown in the spreadsheet application.
namespace elvaro::shell {

class MessageBoxes;
class TemporaryWorkbooks;
class WorkbookOpener;

class ExportCommand {
public:
    ExportCommand(MessageBoxes &messages, WorkbookOpener &opener, const TemporaryWorkbooks &workbooks)
        : m_messages(messages), m_opener(opener), m_workbooks(workbooks)
    {}

    // Exports the report text. An empty text gives "Empty String"; the boxes without a bottom
    // border are named together in one "DEBUG" box and the export goes on. When the report cannot be
    // exported the user is told why and what to do, and no workbook is shown.
    void EsportaExcel(const QString &text);

private:
    // Keeps the sheet as a workbook in the temporary folder and hands it to the application; when that is
    // not possible, or the application fails soon after, says so and offers to save it.
    void show(const excel::Worksheet &sheet);

    MessageBoxes &m_messages;
    WorkbookOpener &m_opener;
    const TemporaryWorkbooks &m_workbooks;
};

} // namespace elvaro::shell
