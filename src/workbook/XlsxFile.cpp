#include "workbook/XlsxFile.h"

#include "export/SheetLimits.h"
#include "export/Worksheet.h"
#include "report/Thousands.h"
#include "workbook/CellValue.h"
#include "workbook/ColumnWidths.h"
#include "workbook/SheetFormats.h"
#include "workbook/StderrCapture.h"
#include "workbook/WorkbookError.h"
#include "workbook/WorkingFolder.h"
#include "workbook/XlsxVerifier.h"

#include <xlsxwriter.h>

#include <memory>
#include <sys/resource.h>
#include <vector>

namespace elvaro::workbook {

namespace {

struct WorkbookFree {
    void operator()(lxw_workbook *workbook) const { lxw_workbook_free(workbook); }
};

std::string describe(lxw_error error)
{
    using excel::kMaxColumns;
    using excel::kMaxRows;
    using excel::kMaxTextLength;
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

// Writes the sheet and returns what it was given, for the check of the finished file.
SheetContents writeSheet(lxw_workbook *book, const excel::Worksheet &sheet)
{
    lxw_worksheet *target = workbook_add_worksheet(book, sheet.name().c_str());
    if (!target)
        throw WorkbookError("cannot add the sheet '" + sheet.name() + "' to the file");
    SheetFormats formats(book, sheet.hasUniformFormat());
    const excel::CellValues &values = sheet.values();
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
    worksheet_set_selection(target, 0, 0, 0, 0);
    worksheet_activate(target);
    return contents;
}

} // namespace

void writeXlsx(const excel::Worksheet &sheet, const std::string &path)
{
    const WorkingFolder folder(path);
    SheetContents contents;
    lxw_error closed = LXW_NO_ERROR;
    {
        const StderrCapture quiet;
        lxw_workbook_options options{};
        std::string tmpdir = folder.path();
        options.tmpdir = tmpdir.data();
        std::unique_ptr<lxw_workbook, WorkbookFree> book(workbook_new_opt(path.c_str(), &options));
        if (!book)
            throw WorkbookError("cannot start the workbook: " + describe(LXW_ERROR_MEMORY_MALLOC_FAILED));
        contents = writeSheet(book.get(), sheet);
        // Closing writes the file and frees the workbook, whatever its result.
        closed = workbook_close(book.release());
    }
    if (closed != LXW_NO_ERROR)
        throw WorkbookError("cannot write the workbook: " + describe(closed)
                            + (isWriteError(closed) ? writeAdvice() : ""));
    // The writer does not notice when its own temporary files could not be written in full: only
    // a complete file is let through.
    try {
        verifyXlsx(path, contents);
    } catch (const WorkbookError &fault) {
        throw WorkbookError("cannot write the workbook: " + std::string(fault.what()) + writeAdvice());
    }
}

} // namespace elvaro::workbook
