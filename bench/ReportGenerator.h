#pragma once

#include "report/CCella.h"

#include <random>
#include <string>
#include <vector>

namespace elvaro::bench {

// Generates an instrument-style report of `lineCount` lines, in the "+-|" form the parser reads,
// lines ended by carriage return and line feed: a heading, then tables of 8 boxes side by side,
// each box a column of readings (in some tables one box also holds a nested box), with a text line
// and a separator line after each table.
inline std::string generateReport(int lineCount, unsigned seed = 1)
{
    std::mt19937 rng(seed);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const std::vector<std::string> words = {"Temp", "+21.5", "Zone", "12.75", "OK", "Alarm", "-3.0", "bar", "Flow"};
    auto cellText = [&](std::size_t width) {
        std::string text = " " + words[static_cast<std::size_t>(pick(0, 8))];
        text.resize(width, ' ');
        return text;
    };

    constexpr int kBoxes = 8;
    constexpr std::size_t kInner = 11;
    constexpr int kMaxRows = 12;
    const std::string border = "+" + std::string(kInner, '-') + "+";
    std::vector<std::string> lines = {"ELVARO Q3 CONTROLLER      REPORT N. " + std::to_string(seed),
                                      "Date 06/12/2026   Time 10:41"};
    while (static_cast<int>(lines.size()) + kMaxRows + 4 <= lineCount) {
        const bool nested = pick(0, 2) == 0;
        const int rows = pick(8, kMaxRows);
        std::vector<std::string> table(static_cast<std::size_t>(rows + 2));
        for (int box = 0; box < kBoxes; ++box) {
            const std::string gap = box == 0 ? "" : " ";
            table.front() += gap + border;
            table.back() += gap + border;
            for (int row = 1; row <= rows; ++row) {
                std::string inner = cellText(kInner);
                if (nested && box == 1 && row <= 3)
                    inner = row == 2 ? " |" + cellText(6) + "|  " : " +------+  ";
                table[static_cast<std::size_t>(row)] += gap + "|" + inner + "|";
            }
        }
        lines.insert(lines.end(), table.begin(), table.end());
        lines.push_back("Zone " + std::to_string(pick(1, 99)) + "  checked  "
                        + words[static_cast<std::size_t>(pick(0, 8))]);
        lines.push_back(std::string(103, '-'));
    }
    while (static_cast<int>(lines.size()) < lineCount)
        lines.push_back("Total  " + std::to_string(lines.size()) + "  lines");
    std::string report;
    for (const std::string &line : lines)
        report += line + "\r\n";
    return report;
}

// Generates a report of `lineCount` lines with few cells a line, as a log of readings prints it:
// a reading of two values, a separator and an empty line, over and over: about 20,000 cells in
// 30,000 lines.
inline std::string generateSparseReport(int lineCount, unsigned seed = 1)
{
    std::mt19937 rng(seed);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::string report = "ELVARO Q3 CONTROLLER LOG N. " + std::to_string(seed) + "\r\n";
    for (int line = 1; line < lineCount; ++line) {
        if (line % 3 == 1)
            report += "Valve " + std::to_string(pick(1, 8)) + " at 10:" + std::to_string(10 + pick(0, 49)) + "  +"
                      + std::to_string(pick(10, 40)) + "." + std::to_string(pick(0, 9)) + " bar";
        else if (line % 3 == 2)
            report += std::string(40, '-');
        report += "\r\n";
    }
    return report;
}

// Discards the parser's messages: the benchmarks measure the parse, not its reports.
class QuietReporter final : public report::ParseReporter {
public:
    void reportError(const std::string &) override {}
};

} // namespace elvaro::bench
