#include "shell/ExportCommand.h"

#include "export/ReportSheet.h"
#include "export/SheetError.h"
#include "report/CCella.h"
#include "report/OverflowError.h"
#include "report/ReportEncoding.h"
#include "shell/MessageBoxes.h"
#include "shell/MissingBorderMessages.h"
#include "shell/TemporaryWorkbooks.h"
#include "shell/WorkbookFileCopy.h"
#include "shell/WorkbookOpener.h"

#include <QDateTime>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <string>

namespace elvaro::shell {

namespace {

const QString kNotExported = QStringLiteral("The report could not be exported.");
const QString kSheetName =
    QString::fromUtf8(excel::kSheetName.data(), static_cast<qsizetype>(excel::kSheetName.size()));

// The report as the parser reads it: UTF-8, with the box-drawing characters that pasted or typed
// text may hold mapped as the instrument's are.
std::string parserText(const QString &text)
{
    std::string utf8 = text.toStdString();
    report::mapUtf8Report(utf8);
    return utf8;
}

QString paragraphs(const QString &what, const std::exception &problem, const QString &todo)
{
    return what + QStringLiteral("\n\n") + QString::fromStdString(problem.what()) + QStringLiteral("\n\n") + todo;
}

// Nothing shows the workbook kept at `path`; `reason` is what the launcher said, when it said anything.
static_assert(TemporaryWorkbooks::kKeptFor == std::chrono::hours(24), "the message below says how long in words");
void tellNotShown(MessageBoxes &messages, const QString &path, const QString &reason)
{
    const QString said = reason.isEmpty() ? QString() : reason + QStringLiteral("\n\n");
    messages.tell(QStringLiteral("No spreadsheet application was found to show the workbook.\n\n%1"
                                 "Choose where to save it, then open it with a spreadsheet application "
                                 "such as LibreOffice Calc. Until then a read-only copy is kept for a day in:\n%2")
                      .arg(said, path),
                  kAppTitle, MessageBoxes::Icon::Warning);
}

// The Save dialog, again after a failed write, until the workbook is saved or the user cancels.
// `write` puts the workbook into the chosen file and throws with the reason when it cannot.
void offerToSave(MessageBoxes &messages, WorkbookOpener &opener, const std::function<void(const QString &)> &write)
{
    QString suggestion = kSheetName + QStringLiteral(".xlsx");
    for (;;) {
        const QString file = opener.askSaveFileName(suggestion);
        if (file.isEmpty())
            return;
        try {
            write(file);
            return;
        } catch (const std::exception &problem) {
            messages.tell(paragraphs(QStringLiteral("The workbook could not be saved as %1.").arg(file), problem,
                                     QStringLiteral("Choose another folder or name.")),
                          kAppTitle, MessageBoxes::Icon::Critical);
            suggestion = file;
        }
    }
}

} // namespace

void ExportCommand::EsportaExcel(const QString &text)
{
    if (text.size() < 1) {
        m_messages.tell(QStringLiteral("Empty String"), kDebugTitle, MessageBoxes::Icon::Critical);
        return;
    }

    std::unique_ptr<excel::ReportSheet> book;
    QString failure;
    MissingBorderMessages missingBorders;
    try {
        book = std::make_unique<excel::ReportSheet>(parserText(text), missingBorders);
    } catch (const report::OverflowError &problem) {
        failure = paragraphs(kNotExported, problem,
                             QStringLiteral("The report or the selected part is too large for the export. "
                                            "Select a smaller part of it and press EXPORT again."));
    } catch (const excel::SheetError &problem) {
        failure = paragraphs(kNotExported, problem,
                             QStringLiteral("Select a smaller part of the report, or remove what the message "
                                            "names, and press EXPORT again."));
    } catch (const std::bad_alloc &) {
        failure = kNotExported
                  + QStringLiteral("\n\nNot enough memory to export the report (%1 characters). Close other "
                                   "programs or select a smaller part of the report, and press EXPORT again.")
                        .arg(text.size());
    } catch (const std::exception &problem) {
        failure = paragraphs(kNotExported, problem,
                             QStringLiteral("Press EXPORT again; if the message comes back, select a smaller "
                                            "part of the report."));
    }
    if (!missingBorders.isEmpty())
        m_messages.tell(missingBorders.text(), kDebugTitle, MessageBoxes::Icon::Critical);
    if (!book) {
        m_messages.tell(failure, kAppTitle, MessageBoxes::Icon::Critical);
        return;
    }
    show(book->sheet());
}

void ExportCommand::show(const excel::Worksheet &sheet)
{
    const auto writeWorkbook = [&sheet](const QString &file) { writeWorkbookFile(sheet, file); };
    QString path;
    try {
        path = m_workbooks.save(sheet, kSheetName, QDateTime::currentDateTime());
    } catch (const std::exception &problem) {
        m_messages.tell(
            paragraphs(QStringLiteral("The workbook could not be prepared for the spreadsheet application."), problem,
                       QStringLiteral("Choose where to save the workbook instead; you can open it "
                                      "later with a spreadsheet application.")),
            kAppTitle, MessageBoxes::Icon::Warning);
        offerToSave(m_messages, m_opener, writeWorkbook);
        return;
    }
    // An application that fails after this command has ended: the workbook lives on in its file.
    const auto failedLater = [&messages = m_messages, &opener = m_opener, path](const QString &reason) {
        tellNotShown(messages, path, reason);
        offerToSave(messages, opener, [&path](const QString &file) { copyWorkbookFile(path, file); });
    };
    if (m_opener.open(path, failedLater))
        return;
    tellNotShown(m_messages, path, QString());
    offerToSave(m_messages, m_opener, writeWorkbook);
}

} // namespace elvaro::shell
