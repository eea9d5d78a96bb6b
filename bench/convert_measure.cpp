// Runs a command several times and prints its best wall-clock time and best processor time
// (user + system) in seconds, and the largest peak resident memory in kilobytes:
// "WALL CPU KILOBYTES". The processor time is the steadier figure on a busy machine.
// Fails when a run fails.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "Usage: convert_measure RUNS COMMAND [ARGS...]\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    double best = 1e9;
    double bestProcessor = 1e9;
    long peakKilobytes = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = ::fork();
        if (child == 0) {
            ::execv(argv[2], argv + 2);
            ::_exit(127);
        }
        int status = 0;
        rusage usage{};
        ::wait4(child, &status, 0, &usage);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "convert_measure: %s failed\n", argv[2]);
            return 1;
        }
        const double processor = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                                 + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        best = elapsed.count() < best ? elapsed.count() : best;
        bestProcessor = processor < bestProcessor ? processor : bestProcessor;
        peakKilobytes = usage.ru_maxrss > peakKilobytes ? usage.ru_maxrss : peakKilobytes;
    }
    std::printf("%.4f %.4f %ld\n", best, bestProcessor, peakKilobytes);
    return 0;
}
