#include "cli/StopSignals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace elvaro::cli {
namespace {

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
    bool watching = true;
    QString error;
    {
        const StopSignals stopSignals;
        watching = stopSignals.isWatching();
        error = stopSignals.errorString();
    }
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
