#include "cli/Commands.h"

#include "cli/BatchMemory.h"
#include "cli/CommandMessages.h"
#include "cli/EncodingOption.h"
#include "cli/StderrParseReporter.h"
#include "export/ReportSheet.h"
#include "report/CCella.h"
#include "report/ReportFile.h"
#include "system/Error.h"
#include "system/ExitCodes.h"
#include "system/SystemText.h"
#include "workbook/PendingRemoval.h"
#include "workbook/SheetFile.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <system_error>

namespace elvaro::cli {

namespace {

struct ConvertOptions {
    std::string input;
    std::string output;
    report::ReportEncoding encoding = report::ReportEncoding::Automatic;
    workbook::ByteOrderMark csvMark = workbook::ByteOrderMark::Written;
};

// The input and the output; nothing when the help was asked for.
std::optional<ConvertOptions> readOptions(const Arguments &args)
{
    ConvertOptions options;
    bool inputGiven = false;
    OptionParser parser(*findCommandHelp("convert"));
    parser.addValue("--output", [&options](const std::string &value) {
        // An empty name would otherwise fall back to the default and write INPUT's .xlsx.
        if (value.empty())
            throw UsageError("OUTPUT is empty; give -o the name of the output file");
        options.output = value;
    });
    addEncodingOption(parser, options.encoding);
    parser.addFlag("--no-bom", [&] { options.csvMark = workbook::ByteOrderMark::Omitted; });
    parser.setOperands([&](const std::string &operand) {
        if (inputGiven)
            throw UsageError("unexpected argument " + inQuotes(operand));
        options.input = operand;
        inputGiven = true;
    });
    if (!parser.parse(args))
        return std::nullopt;
    if (!inputGiven)
        throw UsageError("no INPUT given");
    if (options.output.empty()) {
        if (options.input == "-")
            throw UsageError("give -o OUTPUT when the report comes from standard input");
        options.output = std::filesystem::path(options.input).replace_extension(".xlsx").string();
    }
    if (!workbook::fileKindOf(options.output))
        throw UsageError("OUTPUT " + inQuotes(options.output) + " must end in .xlsx or .csv");
    return options;
}

// A stop signal removes the temporary files of the write under way, then ends the program by the
// signal's own default action, so that the exit status tells which signal it was.
extern "C" void removeTemporaryFilesAndStop(int signal)
{
    workbook::PendingRemoval::removeAllNow();
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
}

// Installs the handler for the stop signals that are not ignored: a convert started with
// nohup, or in the background of a shell without job control, keeps ignoring them.
void cleanUpOnStopSignals()
{
    struct sigaction action {};
    action.sa_handler = removeTemporaryFilesAndStop;
    sigemptyset(&action.sa_mask);
    for (const int signal : workbook::PendingRemoval::kStopSignals)
        sigaddset(&action.sa_mask, signal);
    for (const int signal : workbook::PendingRemoval::kStopSignals) {
        struct sigaction previous {};
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
}

bool sameFile(const std::string &a, const std::string &b)
{
    std::error_code error;
    return std::filesystem::equivalent(a, b, error);
}

} // namespace

int runConvert(const Arguments &args, const CommandMessages &messages)
{
    const std::optional<ConvertOptions> options = readOptions(args);
    if (!options)
        return system::kExitSuccess;
    cleanUpOnStopSignals();
    keepFreedMemoryForReuse();
    const std::string inputName = options->input == "-" ? "standard input" : options->input;
    if (options->input != "-" && sameFile(options->input, options->output))
        return messages.failure(options->output, "is the input itself; choose another OUTPUT with -o");

    std::string text;
    try {
        text = report::readReportFile(options->input, options->encoding);
    } catch (const Error &problem) {
        return messages.failure(inputName, problem.what());
    }
    if (text.empty())
        return messages.failure(inputName, "Empty String");

    std::unique_ptr<excel::ReportSheet> book;
    try {
        StderrParseReporter reporter;
        book = std::make_unique<excel::ReportSheet>(text, reporter);
    } catch (const std::bad_alloc &) {
        return messages.failure(inputName,
                                "Not enough memory to convert the report (" + std::to_string(text.size())
                                    + " characters). Close other programs, or convert a smaller part of it.");
    } catch (const std::exception &problem) {
        return messages.failure(inputName, problem.what());
    }

    try {
        workbook::saveSheet(book->sheet(), options->output, *workbook::fileKindOf(options->output), options->csvMark);
    } catch (const std::bad_alloc &) {
        return messages.failure(options->output,
                                "Not enough memory to write the file. Close other programs and try again.");
    } catch (const std::exception &problem) {
        return messages.failure(options->output, problem.what());
    }
    return system::kExitSuccess;
}

} // namespace elvaro::cli
