#include "cli/Commands.h"

#include "cli/BatchMemory.h"
#include "cli/BufferedOutput.h"
#include "cli/CommandMessages.h"
#include "cli/EncodingOption.h"
#include "cli/StderrParseReporter.h"
#include "cli/TreeJson.h"
#include "report/CCella.h"
#include "report/ReportFile.h"
#include "system/Error.h"
#include "system/ExitCodes.h"
#include "system/SystemText.h"

#include <cerrno>
#include <cstdio>
#include <new>
#include <optional>

#include <unistd.h>

namespace elvaro::cli {

namespace {

struct TreeOptions {
    std::string path = "-";
    report::ReportEncoding encoding = report::ReportEncoding::Automatic;
};

// The report to read: a file, or "-" for standard input. Nothing when the help was asked for.
std::optional<TreeOptions> readOptions(const Arguments &args)
{
    TreeOptions options;
    bool pathGiven = false;
    OptionParser parser(*findCommandHelp("tree"));
    addEncodingOption(parser, options.encoding);
    parser.setOperands([&](const std::string &operand) {
        if (pathGiven)
            throw UsageError("unexpected argument " + inQuotes(operand));
        options.path = operand;
        pathGiven = true;
    });
    if (!parser.parse(args))
        return std::nullopt;
    return options;
}

} // namespace

int runTree(const Arguments &args, const CommandMessages &messages)
{
    const std::optional<TreeOptions> options = readOptions(args);
    if (!options)
        return system::kExitSuccess;
    const std::string shownName = options->path == "-" ? "standard input" : options->path;
    keepFreedMemoryForReuse();

    std::string text;
    BufferedOutput out(STDOUT_FILENO);
    try {
        text = report::readReportFile(options->path, options->encoding);
        report::CCella root;
        StderrParseReporter reporter;
        root.newCella(text, reporter);
        writeTreeJson(root, out);
    } catch (const Error &problem) {
        return messages.failure(shownName, problem.what());
    } catch (const std::bad_alloc &) {
        return messages.failure(shownName, "Not enough memory to print the tree of the report ("
                                               + std::to_string(text.size())
                                               + " characters). Close other programs, or print the tree of a "
                                                 "smaller part of it.");
    }
    if (!out.flush()) {
        return messages.failure("Cannot write the tree to standard output: " + system::errorText(errno)
                                + ". Check that the file or program it goes to can take it, then try again.");
    }
    return system::kExitSuccess;
}

} // namespace elvaro::cli
