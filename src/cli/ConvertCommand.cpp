#include "cli/Commands.h"

#include "cli/BatchMemory.h"
#include "export/PendingRemoval.h"
#include "export/ReportWorkbook.h"
#include "report/CCella.h"
#include "report/ReportFile.h"

#include <cctype>
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

constexpr const char *kUsage =
    "Usage: elvaro-q3 convert INPUT [-o OUTPUT]\n"
    "Converts a report (a file, or standard input when INPUT is '-') into a worksheet named\n"
    "\"Downloaded\". OUTPUT ending in .xlsx gets the workbook, ending in .csv the sheet's values;\n"
    "the default is INPUT's name with .xlsx (OUTPUT is required with '-'). An existing OUTPUT is\n"
    "replaced; on failure it is left as it was. Messages about boxes without a bottom border go to\n"
    "standard error and the conversion goes on.\n"
    "Exit status: 0 converted, 1 failed (the reason on standard error), 2 bad usage.\n";

// Prints each missing-border message on standard error, one per line.
class StderrReporter final : public report::ParseReporter {
public:
    void reportError(const std::string &message) override { std::fprintf(stderr, "%s\n", message.c_str()); }
};

struct Options {
    std::string input;
    std::string output;
};

int usageError(const std::string &reason)
{
    std::fprintf(stderr, "elvaro-q3 convert: %s\n%s", reason.c_str(), kUsage);
    return 2;
}

int failure(const std::string &file, const std::string &reason)
{
    std::fprintf(stderr, "elvaro-q3 convert: %s: %s\n", file.c_str(), reason.c_str());
    return 1;
}

bool hasOutputSuffix(const std::string &path)
{
    std::string suffix = std::filesystem::path(path).extension().string();
    for (char &c : suffix)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return suffix == ".xlsx" || suffix == ".csv";
}

// Reads the arguments; returns the exit status when the command ends here.
std::optional<int> parseArguments(const Arguments &args, Options &options)
{
    bool inputGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "-o" || arg == "--output") {
            if (i + 1 == args.size())
                return usageError("'" + arg + "' needs the name of the output file");
            options.output = args[++i];
            // An empty name would otherwise fall back to the default and write INPUT's .xlsx.
            if (options.output.empty())
                return usageError("'" + arg + "' needs the name of the output file, not an empty name");
            continue;
        }
        if ((arg.starts_with("-") && arg != "-") || inputGiven)
            return usageError("unexpected argument '" + arg + "'");
        options.input = arg;
        inputGiven = true;
    }
    if (!inputGiven)
        return usageError("no INPUT given");
    if (options.output.empty()) {
        if (options.input == "-")
            return usageError("give -o OUTPUT when the report comes from standard input");
        options.output = std::filesystem::path(options.input).replace_extension(".xlsx").string();
    }
    if (!hasOutputSuffix(options.output))
        return usageError("OUTPUT '" + options.output + "' must end in .xlsx or .csv");
    return std::nullopt;
}

// A stop signal removes the temporary files of the write under way, then ends the program by the
// signal's own default action, so that the exit status tells which signal it was.
extern "C" void removeTemporaryFilesAndStop(int signal)
{
    excel::PendingRemoval::removeAllNow();
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
    for (const int signal : excel::PendingRemoval::kStopSignals)
        sigaddset(&action.sa_mask, signal);
    for (const int signal : excel::PendingRemoval::kStopSignals) {
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

int runConvert(const Arguments &args)
{
    Options options;
    if (const std::optional<int> status = parseArguments(args, options))
        return *status;
    cleanUpOnStopSignals();
    keepFreedMemoryForReuse();
    const std::string inputName = options.input == "-" ? "standard input" : options.input;
    if (options.input != "-" && sameFile(options.input, options.output))
        return failure(options.output, "is the input itself; choose another OUTPUT with -o");

    std::string error;
    const std::optional<std::string> text = report::readReportFile(options.input, error);
    if (!text)
        return failure(inputName, error);
    if (text->empty())
        return failure(inputName, "Empty String");

    std::unique_ptr<excel::ReportWorkbook> book;
    try {
        StderrReporter reporter;
        book = std::make_unique<excel::ReportWorkbook>(*text, reporter);
    } catch (const std::bad_alloc &) {
        return failure(inputName, "Not enough memory to convert the report (" + std::to_string(text->size())
                                      + " characters). Close other programs, or convert a smaller part of it.");
    } catch (const std::exception &problem) {
        return failure(inputName, problem.what());
    }

    try {
        book->saveAs(options.output);
    } catch (const std::bad_alloc &) {
        return failure(options.output, "Not enough memory to write the file. Close other programs and try again.");
    } catch (const std::exception &problem) {
        return failure(options.output, problem.what());
    }
    return 0;
}

} // namespace elvaro::cli
