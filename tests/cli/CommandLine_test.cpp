#include "cli/CommandLine.h"
#include "cli/StopSignals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

// How options are read and refused is checked through the program (Program_test);
// here what no command line shows: the help's layout from the table and the signal watch
// on a machine out of descriptors.
namespace elvaro::cli {
namespace {

// A flag, a value option with two names, one with its own missing-value text, two answers.
const CommandHelp kCommand = {"try",
                              "[FILE]",
                              "",
                              "",
                              {{{"--once"}, "", "once"},
                               {{"-o", "--output"}, "OUTPUT", "out"},
                               {{"--baud"}, "N", "speed", "a number"},
                               {{"--version"}, "", "version", "a value", false, false, true},
                               {{"-h", "--help"}, "", "show this help", "a value", false, false, true}},
                              ""};

TEST(OptionParser, TheHelpComesFromTheTable)
{
    EXPECT_EQ(usageText(kCommand), "Usage: elvaro-q3 try [FILE] [--once] [-o OUTPUT] [--baud N]\n\n\n"
                                   "  --once               once\n"
                                   "  -o, --output OUTPUT  out\n"
                                   "  --baud N             speed\n"
                                   "  --version            version\n"
                                   "  -h, --help           show this help\n");
}

// With every file descriptor taken, as on a machine at its limit of open files, the watch says
// why it cannot start and leaves the signals as they were.
TEST(StopSignals, AFailedInstallIsToldAndLeavesTheSignalsAlone)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers' runtime needs free descriptors of its own to check this code";
#endif
    struct sigaction before {};
    ::sigaction(SIGINT, nullptr, &before);
    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    rlimit low = saved;
    low.rlim_cur = std::min<rlim_t>(saved.rlim_cur, 1024);
    ::setrlimit(RLIMIT_NOFILE, &low);
    std::vector<int> taken;
    for (int descriptor; (descriptor = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
        taken.push_back(descriptor);
    const bool exhausted = errno == EMFILE;
    const auto [watching, error] = [] {
        const StopSignals stopSignals;
        return std::pair{stopSignals.isWatching(), stopSignals.errorString()};
    }();
    for (const int descriptor : taken)
        ::close(descriptor);
    ::setrlimit(RLIMIT_NOFILE, &saved);

    ASSERT_TRUE(exhausted);
    EXPECT_FALSE(watching);
    EXPECT_EQ(error, QStringLiteral("Cannot watch for Ctrl-C and SIGTERM (Too many open files), so the command "
                                    "could not end in order. Raise the limit of open files (ulimit -n) or close "
                                    "other programs, then try again."));
    struct sigaction after {};
    ::sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

} // namespace
} // namespace elvaro::cli
