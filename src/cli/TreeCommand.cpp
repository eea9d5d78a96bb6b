#include "cli/Commands.h"

#include "cli/BatchMemory.h"
#include "cli/TreeJson.h"
#include "report/CCella.h"
#include "report/OverflowError.h"
#include "report/ReportFile.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace elvaro::cli {

namespace {

constexpr const char *kUsage =
    "Usage: elvaro-q3 tree [FILE|-]\n"
    "Parses a report (a file, or standard input when FILE is '-' or missing) and prints\n"
    "its cell tree as JSON on standard output. Messages about boxes without a bottom\n"
    "border go to standard error.\n";

// Prints each missing-border message on standard error, one per line.
class StderrReporter final : public report::ParseReporter {
public:
    void reportError(const std::string &message) override { std::fprintf(stderr, "%s\n", message.c_str()); }
};

} // namespace

int runTree(const Arguments &args)
{
    std::string path = "-";
    bool pathGiven = false;
    for (const std::string &arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if ((arg.starts_with("-") && arg != "-") || pathGiven) {
            std::fprintf(stderr, "elvaro-q3 tree: unexpected argument '%s'\n%s", arg.c_str(), kUsage);
            return 2;
        }
        path = arg;
        pathGiven = true;
    }
    const std::string shownName = path == "-" ? "standard input" : path;
    keepFreedMemoryForReuse();

    std::string error;
    const std::optional<std::string> text = report::readReportFile(path, error);
    if (!text) {
        std::fprintf(stderr, "elvaro-q3 tree: %s: %s\n", shownName.c_str(), error.c_str());
        return 1;
    }

    std::string json;
    try {
        report::CCella root;
        StderrReporter reporter;
        root.newCella(*text, reporter);
        json = treeToJson(root);
    } catch (const report::OverflowError &overflow) {
        std::fprintf(stderr, "elvaro-q3 tree: %s: %s\n", shownName.c_str(), overflow.what());
        return 1;
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr,
                     "elvaro-q3 tree: %s: Not enough memory to print the tree of the report (%zu characters). Close "
                     "other programs, or print the tree of a smaller part of it.\n",
                     shownName.c_str(), text->size());
        return 1;
    }

    if (std::fwrite(json.data(), 1, json.size(), stdout) != json.size() || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "elvaro-q3 tree: cannot write the tree: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

} // namespace elvaro::cli
