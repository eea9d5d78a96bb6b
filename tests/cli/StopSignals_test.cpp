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

// Takes every free file descriptor, as a machine at its limit of open files does, and gives them
// back at the end.
class NoFreeDescriptors {
public:
    NoFreeDescriptors()
    {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        // A low limit keeps the number of descriptors to take small.
        rlimit low = m_saved;
        low.rlim_cur = std::min<rlim_t>(m_saved.rlim_cur, 1024);
        ::setrlimit(RLIMIT_NOFILE, &low);
        for (int descriptor; (descriptor = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            m_taken.push_back(descriptor);
        m_exhausted = errno == EMFILE;
    }

    ~NoFreeDescriptors()
    {
        for (const int descriptor : m_taken)
            ::close(descriptor);
        ::setrlimit(RLIMIT_NOFILE, &m_saved);
    }

    bool exhausted() const { return m_exhausted; }

private:
    rlimit m_saved{};
    std::vector<int> m_taken;
    bool m_exhausted = false;
};

TEST(StopSignals, AFailedInstallIsToldAndLeavesTheSignalsAlone)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers' runtime needs free descriptors of its own to check this code";
#endif
    struct sigaction before {};
    ::sigaction(SIGINT, nullptr, &before);
    bool watching = true;
    QString error;
    {
        const NoFreeDescriptors full;
        ASSERT_TRUE(full.exhausted());
        const StopSignals stopSignals;
        watching = stopSignals.isWatching();
        error = stopSignals.errorString();
    }
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
