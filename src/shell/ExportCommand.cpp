#include "shell/ExportCommand.h"

#include "export/Application.h"
#include "export/ExportExcel.h"
#include "export/WorkbookError.h"
#include "report/CCella.h"
#include "report/OverflowError.h"
#include "shell/MessageBoxes.h"
#include "shell/TemporaryWorkbooks.h"
#include "shell/WorkbookOpener.h"

#include <QDateTime>

#include <cstdint>
#include <exception>
#include <new>
#include <unordered_set>
#include <vector>

namespace elvaro::shell {

namespace {

const QString kNotExported = QStringLiteral("The report could not be exported.");

// Shows each missing-border message of the parse in a "DEBUG" box; the parse goes on after it.
class MessageBoxReporter final : public report::ParseReporter
{
public:
    explicit MessageBoxReporter(MessageBoxes &messages) : m_messages(messages) {}

    void reportError(const std::string &message) override
    {
        m_messages.tell(QString::fromStdString(message), kDebugTitle, MessageBoxes::Icon::Critical);
    }

private:
    MessageBoxes &m_messages;
};

constexpr char16_t kFirstNonAscii = 0x80;
constexpr char16_t kLastLatin1 = 0xFF;

// The report as the parser reads it: one byte per character, so that the columns of the
// fixed-pitch view are the parser's columns. Characters beyond Latin-1, which the instrument
// never sends and only typing can bring, become "?".
std::string parserText(const QString &text, bool *hasNonAscii)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    *hasNonAscii = false;
    for (const QChar c : text) {
        *hasNonAscii = *hasNonAscii || c.unicode() >= kFirstNonAscii;
        bytes += c.unicode() <= kLastLatin1 ? static_cast<char>(c.unicode()) : '?';
    }
    return bytes;
}

// The cells' texts from the parser's one byte per character to the workbook's UTF-8.
// Children collections shared between copies are converted once.
void contentsToUtf8(report::CCella &root)
{
    std::vector<report::CCella *> pending{&root};
    std::unordered_set<const report::SottoCelle *> converted;
    while (!pending.empty()) {
        report::CCella &cell = *pending.back();
        pending.pop_back();
        const std::string &latin1 = cell.Contenuto();
        cell.setContenuto(QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size())).toStdString());
        const report::SottoCelle *members = cell.sottoCelleIfAny();
        if (!members || !converted.insert(members).second)
            continue;
        report::SottoCelle &children = *cell.SottoCelle();
        for (std::int32_t index = 1; index <= children.Count(); ++index)
            pending.push_back(&children.Item(index));
    }
}

QString paragraphs(const QString &what, const std::exception &problem, const QString &todo)
{
    return what + QStringLiteral("\n\n") + QString::fromStdString(problem.what()) + QStringLiteral("\n\n") + todo;
}

} // namespace

void ExportCommand::EsportaExcel(const QString &text)
{
    if (text.size() < 1) {
        m_messages.tell(QStringLiteral("Empty String"), kDebugTitle, MessageBoxes::Icon::Critical);
        return;
    }

    excel::Application application;
    try {
        report::CCella root;
        MessageBoxReporter reporter(m_messages);
        bool hasNonAscii = false;
        root.newCella(parserText(text, &hasNonAscii), reporter);
        if (hasNonAscii)
            contentsToUtf8(root);
        excel::Workbook &workbook = application.Workbooks().Add();
        excel::Worksheet &sheet = workbook.Sheets().Add();
        sheet.setName(kSheetName.toStdString());
        excel::ExportExcel(root, 1, 1, sheet);
        application.setVisible(true);
    } catch (const report::OverflowError &problem) {
        m_messages.tell(paragraphs(kNotExported, problem,
                                   QStringLiteral("The report or the selected part is too large for the export. "
                                                  "Select a smaller part of it and press EXPORT again.")),
                        kAppTitle, MessageBoxes::Icon::Critical);
        return;
    } catch (const excel::WorkbookError &problem) {
        m_messages.tell(paragraphs(kNotExported, problem,
                                   QStringLiteral("Select a smaller part of the report, or remove what the "
                                                  "message names, and press EXPORT again.")),
                        kAppTitle, MessageBoxes::Icon::Critical);
        return;
    } catch (const std::bad_alloc &) {
        m_messages.tell(kNotExported + QStringLiteral("\n\nThere is not enough memory for it. Close other "
                                                      "programs or select a smaller part of the report, and "
                                                      "press EXPORT again."),
                        kAppTitle, MessageBoxes::Icon::Critical);
        return;
    } catch (const std::exception &problem) {
        m_messages.tell(paragraphs(kNotExported, problem, QStringLiteral("Press EXPORT again; if the message comes "
                                                                         "back, select a smaller part of the report.")),
                        kAppTitle, MessageBoxes::Icon::Critical);
        return;
    }
    show(application.Workbooks().Item(1));
}

void ExportCommand::show(const excel::Workbook &workbook)
{
    QString path;
    try {
        path = m_workbooks.save(workbook, kSheetName, QDateTime::currentDateTime());
    } catch (const std::exception &problem) {
        m_messages.tell(paragraphs(QStringLiteral("The workbook could not be prepared for the spreadsheet application."),
                                   problem,
                                   QStringLiteral("Choose where to save the workbook instead; you can open it "
                                                  "later with a spreadsheet application.")),
                        kAppTitle, MessageBoxes::Icon::Warning);
        offerToSave(workbook);
        return;
    }
    if (m_opener.open(path))
        return;
    m_messages.tell(QStringLiteral("No spreadsheet application was found to show the workbook.\n\n"
                                   "Choose where to save it, then open it with a spreadsheet application "
                                   "such as LibreOffice Calc. Until then a read-only copy is kept for a day in:\n%1")
                        .arg(path),
                    kAppTitle, MessageBoxes::Icon::Warning);
    offerToSave(workbook);
}

void ExportCommand::offerToSave(const excel::Workbook &workbook)
{
    QString suggestion = kSheetName + QStringLiteral(".xlsx");
    for (;;) {
        const QString file = m_opener.askSaveFileName(suggestion);
        if (file.isEmpty())
            return;
        try {
            writeWorkbookFile(workbook, file);
            return;
        } catch (const std::exception &problem) {
            m_messages.tell(paragraphs(QStringLiteral("The workbook could not be saved as %1.").arg(file), problem,
                                       QStringLiteral("Choose another folder or name.")),
                            kAppTitle, MessageBoxes::Icon::Critical);
            suggestion = file;
        }
    }
}

} // namespace elvaro::shell
