#include "export/XlsxFile.h"

#include "export/CellValue.h"
#include "export/ColumnWidths.h"
#include "export/SheetFormats.h"
#include "export/SheetLimits.h"
#include "export/StderrCapture.h"
#include "export/Workbook.h"
#include "export/WorkbookError.h"
#include "export/WorkingFolder.h"
#include "export/XlsxVerifier.h"
#include "report/Thousands.h"

#include <xlsxwriter.h>

#include <memory>
#include <sys/resource.h>
#include <vector>

namespace elvaro::excel {

namespace {

struct WorkbookFree {
    void operator()(lxw_workbook *workbook) const { lxw_workbook_free(workbook); }
};

std::string describe(lxw_error error)
{
    using report::withThousands;
    switch (error) {
    case LXW_NO_ERROR:
        return "no error";
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return "out of memory while building the workbook";
    case LXW_ERROR_CREATING_XLSX_FILE:
        return "the file cannot be created; check that the folder exists and can be written";
    case LXW_ERROR_CREATING_TMPFILE:
        return "a temporary file cannot be created";
    case LXW_ERROR_READING_TMPFILE:
        return "a temporary file cannot be read back";
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        return "writing the file failed";
    case LXW_ERROR_ZIP_PARAMETER_ERROR:
    case LXW_ERROR_ZIP_BAD_ZIP_FILE:
    case LXW_ERROR_ZIP_INTERNAL_ERROR:
        return "the workbook could not be packed into the .xlsx container";
    case LXW_ERROR_SHEETNAME_LENGTH_EXCEEDED:
        return "a sheet name is longer than " + std::to_string(kMaxSheetNameLength) + " characters";
    case LXW_ERROR_INVALID_SHEETNAME_CHARACTER:
        return "a sheet name holds one of the characters " + forbiddenInSheetNameShown();
    case LXW_ERROR_SHEETNAME_START_END_APOSTROPHE:
        return "a sheet name starts or ends with an apostrophe";
    case LXW_ERROR_SHEETNAME_ALREADY_USED:
        return "two sheets have the same name";
    case LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED:
        return "a cell text is longer than " + withThousands(kMaxTextLength) + " characters once stored";
    case LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE:
        return "a cell lies outside the worksheet (" + withThousands(kMaxRows) + " rows, " + withThousands(kMaxColumns)
               + " columns)";
    case LXW_ERROR_SHARED_STRING_INDEX_NOT_FOUND:
        return "a cell text could not be stored in the workbook's string table";
    default:
        return std::string("the .xlsx writer failed: ") + lxw_strerror(error);
    }
}

// The errors of writing the files themselves, which a full disk or a file-size limit causes.
bool isWriteError(lxw_error error)
{
    switch (error) {
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        return true;
    default:
        return false;
    }
}

// What may have stopped the files from being written, and what to do about it.
std::string writeAdvice()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        return "; the disk may be full, or the file larger than the file-size limit of "
               + std::to_string(limit.rlim_cur)
               + " bytes (ulimit -f). Free some space or raise the limit, then try again";
    }
    return "; the disk may be full. Free some space, then try again";
}

void check(lxw_error error, const char *doing)
{
    if (error != LXW_NO_ERROR)
        throw WorkbookError(std::string("cannot ") + doing + ": " + describe(error));
}

// Writes one sheet and returns what it was given, for the check of the finished file.
SheetContents writeSheet(lxw_workbook *book, const Worksheet &sheet)
{
    lxw_worksheet *target = workbook_add_worksheet(book, sheet.Name().c_str());
    if (!target)
        throw WorkbookError("cannot add the sheet '" + sheet.Name() + "' to the file");
    SheetFormats formats(book, sheet.format());
    const CellValues &values = sheet.values();
    for (const ColumnSpan &span : columnWidths(values)) {
        check(worksheet_set_column(target, static_cast<lxw_col_t>(span.first - 1),
                                   static_cast<lxw_col_t>(span.last - 1), span.width, formats.plain()),
              "format the columns");
    }
    SheetContents contents;
    std::int32_t lastRow = 0;
    for (const auto &[position, text] : values) {
        const auto row = static_cast<lxw_row_t>(position.row - 1);
        const auto column = static_cast<lxw_col_t>(position.column - 1);
        if (const std::optional<double> number = plainNumber(text)) {
            check(worksheet_write_number(target, row, column, *number, formats.forNumber(text)), "write a number");
        } else if (needsEscapes(text)) {
            check(worksheet_write_string(target, row, column, escapedText(text).c_str(), formats.plain()),
                  "write a text");
        } else {
            // The sheet keeps every text followed by a NUL, so it goes to the writer as it is.
            check(worksheet_write_string(target, row, column, text.data(), formats.plain()), "write a text");
        }
        ++contents.cells;
        if (position.row != lastRow)
            ++contents.rows;
        lastRow = position.row;
    }
    const CellArea &selected = sheet.selection();
    worksheet_set_selection(
        target, static_cast<lxw_row_t>(selected.firstRow - 1), static_cast<lxw_col_t>(selected.firstColumn - 1),
        static_cast<lxw_row_t>(selected.lastRow - 1), static_cast<lxw_col_t>(selected.lastColumn - 1));
    if (sheet.Parent().ActiveSheet() == &sheet)
        worksheet_activate(target);
    return contents;
}

} // namespace

void writeXlsx(const Workbook &workbook, const std::string &path)
{
    if (workbook.Sheets().Count() == 0)
        throw WorkbookError("the workbook has no sheet; add one before saving");
    const WorkingFolder folder(path);
    std::vector<SheetContents> contents;
    lxw_error closed = LXW_NO_ERROR;
    {
        const StderrCapture quiet;
        lxw_workbook_options options{};
        std::string tmpdir = folder.path();
        options.tmpdir = tmpdir.data();
        std::unique_ptr<lxw_workbook, WorkbookFree> book(workbook_new_opt(path.c_str(), &options));
        if (!book)
            throw WorkbookError("cannot start the workbook: " + describe(LXW_ERROR_MEMORY_MALLOC_FAILED));
        for (std::int32_t i = 1; i <= workbook.Sheets().Count(); ++i)
            contents.push_back(writeSheet(book.get(), workbook.Sheets().Item(i)));
        // Closing writes the file and frees the workbook, whatever its result.
        closed = workbook_close(book.release());
    }
    if (closed != LXW_NO_ERROR)
        throw WorkbookError("cannot write the workbook: " + describe(closed)
                            + (isWriteError(closed) ? writeAdvice() : ""));
    // The writer does not notice when its own temporary files could not be written in full: only
    // a complete file is let through.
    if (const std::optional<std::string> fault = verifyXlsx(path, contents))
        throw WorkbookError("cannot write the workbook: " + *fault + writeAdvice());
}

} // namespace elvaro::excel
