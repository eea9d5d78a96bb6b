// Runs several commands side by side, one run of each in turn, and prints for each its best
// wall-clock time and best processor time (user + system) in seconds and its largest peak
// resident memory in kilobytes, one line a command: "WALL CPU KILOBYTES". Taking turns, the
// commands share whatever else the machine does. The commands' standard output goes to
// /dev/null. Fails when a run fails.
//
// Usage: measure RUNS COMMAND [ARGS...] [:: COMMAND [ARGS...]]...
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Best {
    std::vector<char *> argv;
    double wall = 1e9;
    double processor = 1e9;
    long peakKilobytes = 0;
};

bool runOnce(Best &command)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, STDOUT_FILENO);
        ::execv(command.argv[0], command.argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "measure: %s failed\n", command.argv[0]);
        return false;
    }
    const double processor = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                             + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    command.wall = elapsed.count() < command.wall ? elapsed.count() : command.wall;
    command.processor = processor < command.processor ? processor : command.processor;
    command.peakKilobytes = usage.ru_maxrss > command.peakKilobytes ? usage.ru_maxrss : command.peakKilobytes;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "Usage: measure RUNS COMMAND [ARGS...] [:: COMMAND [ARGS...]]...\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    std::vector<Best> commands(1);
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "::") == 0) {
            commands.back().argv.push_back(nullptr);
            commands.emplace_back();
        } else {
            commands.back().argv.push_back(argv[i]);
        }
    }
    commands.back().argv.push_back(nullptr);
    for (int run = 0; run < runs; ++run) {
        for (Best &command : commands) {
            if (!runOnce(command))
                return 1;
        }
    }
    for (const Best &command : commands)
        std::printf("%.5f %.5f %ld\n", command.wall, command.processor, command.peakKilobytes);
    return 0;
}
