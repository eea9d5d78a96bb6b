// Parses generated instrument-style reports of 15,000 and 30,000 lines and prints the best time
// of several runs, the throughput and the cells found per second.
#include "ReportGenerator.h"

#include "report/CCella.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

long countCells(const elvaro::report::CCella &cell)
{
    long count = 1;
    const elvaro::report::SottoCelle &members = cell.children();
    for (std::int32_t i = 1; i <= members.Count(); ++i)
        count += countCells(members.Item(i));
    return count;
}

struct Measurement {
    double seconds;
    long cells;
};

Measurement measure(const std::string &report)
{
    elvaro::bench::QuietReporter reporter;
    Measurement best{1e9, 0};
    for (int run = 0; run < 7; ++run) {
        elvaro::report::CCella root;
        const auto start = std::chrono::steady_clock::now();
        root.newCella(report, reporter);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best.seconds = std::min(best.seconds, elapsed.count());
        best.cells = countCells(root) - 1;
    }
    return best;
}

} // namespace

int main()
{
    double previous = 0;
    for (const int lines : {15000, 30000}) {
        const std::string report = elvaro::bench::generateReport(lines);
        const Measurement m = measure(report);
        std::printf("parse %6d lines (%.2f MB): %7.2f ms  %7.1f MB/s  %6.2f M cells/s  (%ld cells)\n", lines,
                    static_cast<double>(report.size()) / 1e6, m.seconds * 1e3,
                    static_cast<double>(report.size()) / 1e6 / m.seconds,
                    static_cast<double>(m.cells) / 1e6 / m.seconds, m.cells);
        if (previous > 0)
            std::printf("doubling the input costs %.2f times the time (goal: at most 2.5)\n", m.seconds / previous);
        previous = m.seconds;
    }
    return EXIT_SUCCESS;
}
