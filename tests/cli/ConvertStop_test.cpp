#include "workbook/WorkbookTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

namespace elvaro::testing {
namespace {

using ::testing::ElementsAre;

std::string contentOf(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A report large enough that writing its workbook takes a while: rows of eight boxes side by side.
std::string largeReport()
{
    const std::string border = "+------+ +------+ +------+ +------+ +------+ +------+ +------+ +------+\r\n";
    std::string report;
    for (int table = 0; table < 400; ++table) {
        report += border;
        for (int row = 0; row < 10; ++row) {
            for (int box = 0; box < 8; ++box) {
                std::string value = std::to_string((table * 7 + row * 3 + box) % 100) + ".5";
                value.resize(5, ' ');
                report += std::string(box == 0 ? "" : " ") + "| " + value + "|";
            }
            report += "\r\n";
        }
        report += border;
        report += "Zone " + std::to_string(table) + "  checked  OK\r\n";
    }
    return report;
}

// convert in the background, with the stop signals as a shell with job control leaves them (or one
// of them ignored, as nohup does).
class ConvertStopTest : public ::testing::Test {
protected:
    ConvertStopTest()
    {
        std::ofstream(folder.file("report.txt"), std::ios::binary) << largeReport();
        std::ofstream(folder.file("out.xlsx")) << "previous";
    }

    // Starts convert and returns once it has made the working folder beside the output, that is
    // while it writes the workbook; returns -1 when it ended before that.
    pid_t startAndWaitForTheWrite(int ignored = 0)
    {
        const int watch = ::inotify_init1(IN_CLOEXEC);
        ::inotify_add_watch(watch, folder.path().c_str(), IN_CREATE);
        // The child holds the write end until it ends: its end shows as a hang-up here.
        int alive[2];
        if (watch < 0 || ::pipe2(alive, O_CLOEXEC) != 0)
            return -1;
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(alive[1], 100);
            for (const int signal : {SIGINT, SIGTERM, SIGHUP})
                std::signal(signal, signal == ignored ? SIG_IGN : SIG_DFL);
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            const int quiet = ::open("/dev/null", O_WRONLY);
            ::dup2(quiet, STDERR_FILENO);
            if (::chdir(folder.path().c_str()) == 0)
                ::execl(ELVARO_EXECUTABLE, ELVARO_EXECUTABLE, "convert", "report.txt", "-o", "out.xlsx", nullptr);
            ::_exit(127);
        }
        ::close(alive[1]);
        bool writing = false;
        bool ended = false;
        while (!writing && !ended) {
            pollfd waits[2] = {{watch, POLLIN, 0}, {alive[0], POLLIN, 0}};
            ::poll(waits, 2, -1);
            ended = waits[1].revents != 0;
            alignas(inotify_event) char events[4096];
            const ssize_t length = (waits[0].revents & POLLIN) ? ::read(watch, events, sizeof events) : 0;
            for (ssize_t at = 0; at < length;) {
                const auto *event = reinterpret_cast<const inotify_event *>(events + at);
                writing =
                    writing || ((event->mask & IN_ISDIR) && std::strncmp(event->name, ".elvaro-q3-parts-", 17) == 0);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        ::close(watch);
        ::close(alive[0]);
        if (!writing) {
            ::waitpid(child, nullptr, 0);
            return -1;
        }
        return child;
    }

    TemporaryFolder folder;
};

class StopSignalTest : public ConvertStopTest, public ::testing::WithParamInterface<int> {};

// Ctrl-C, SIGTERM and SIGHUP in the middle of the write: the temporary file beside the output and
// the writer's working folder go, the previous output stays, and the exit status names the signal.
TEST_P(StopSignalTest, RemovesTheTemporaryFilesAndKeepsThePreviousOutput)
{
    const pid_t child = startAndWaitForTheWrite();
    ASSERT_GT(child, 0) << "convert ended before it wrote the workbook";
    ::kill(child, GetParam());
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), GetParam());
    EXPECT_THAT(folder.names(), ElementsAre("out.xlsx", "report.txt"));
    EXPECT_EQ(contentOf(folder.file("out.xlsx")), "previous");
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignalTest, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return std::string(sigabbrev_np(info.param));
                         });

// Started with nohup, convert does not stop when its terminal goes away.
TEST_F(ConvertStopTest, AnIgnoredHangUpStaysIgnored)
{
    const pid_t child = startAndWaitForTheWrite(SIGHUP);
    ASSERT_GT(child, 0) << "convert ended before it wrote the workbook";
    ::kill(child, SIGHUP);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_THAT(contentOf(folder.file("out.xlsx")), ::testing::StartsWith("PK\x03\x04"));
    EXPECT_THAT(folder.names(), ElementsAre("out.xlsx", "report.txt"));
}

} // namespace
} // namespace elvaro::testing
