#pragma once

#include <random>
#include <string>
#include <vector>

namespace elvaro::report::testing {

// Where the generator drew a box: its column in the text that holds it, its size, and the boxes
// drawn inside it, in reading order.
struct DrawnBox {
    int column = 0;
    int width = 0;
    int height = 0;
    std::vector<DrawnBox> boxes;
    std::vector<std::string> words;
};

struct DrawnText {
    std::vector<std::string> lines;
    std::vector<DrawnBox> boxes;
    std::vector<std::string> words; // the words outside boxes, in reading order
};

// Draws random well-formed report text of exactly `height` lines of `width` characters: text
// lines (words apart by one or more spaces, at most one '+' signed number a line), separator lines, blank
// lines and rows of boxes side by side (each right box no taller than its left neighbour, at
// times with a label left of them on their top border line) whose inner text is drawn the same way.
class ReportDrawer {
public:
    explicit ReportDrawer(unsigned seed) : m_rng(seed) {}

    DrawnText draw(int width, int height, int depth)
    {
        DrawnText text;
        int y = 0;
        while (y < height) {
            const int remaining = height - y;
            const int choice = pick(0, 9);
            if (choice < 4 && remaining >= 3 && width >= 2 && depth < 3) {
                y += drawBoxRow(text, width, remaining, depth);
            } else if (choice < 7) {
                text.lines.push_back(textLine(width, text.words));
                ++y;
            } else if (choice == 7 && width > 0) {
                const int dashes = pick(1, width);
                text.lines.push_back(std::string(static_cast<std::size_t>(dashes), '-')
                                     + std::string(static_cast<std::size_t>(width - dashes), ' '));
                text.words.push_back(std::string(static_cast<std::size_t>(dashes), '-'));
                ++y;
            } else {
                text.lines.push_back(std::string(static_cast<std::size_t>(width), ' '));
                ++y;
            }
        }
        return text;
    }

private:
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

    std::string textLine(int width, std::vector<std::string> &words)
    {
        static const std::vector<std::string> vocabulary = {"Temp", "+21.5", "-3.0", "OK",    "Zone", "12",
                                                            "bar",  "N.",    "done", "Alarm", "x"};
        std::string line(static_cast<std::size_t>(pick(0, 2)), ' ');
        bool signedNumberDrawn = false;
        for (;;) {
            const std::string &word = vocabulary[static_cast<std::size_t>(pick(0, 10))];
            if (static_cast<int>(line.size() + word.size()) > width)
                break;
            // A second '+' on the line would make the first one a box corner.
            if (word.front() == '+') {
                if (signedNumberDrawn)
                    continue;
                signedNumberDrawn = true;
            }
            line += word;
            words.push_back(word);
            line += std::string(static_cast<std::size_t>(pick(1, 3)), ' ');
        }
        line.resize(static_cast<std::size_t>(width), ' ');
        return line;
    }

    int drawBoxRow(DrawnText &text, int width, int remaining, int depth)
    {
        struct Placed {
            int column;
            int width;
            int height;
            DrawnText inner;
        };
        std::vector<Placed> row;
        // Sometimes a label stands left of the row on its top border line.
        std::string label;
        if (width >= 12 && pick(0, 3) == 0)
            label = std::vector<std::string>{"Zone", "Temp", "N.", "x"}[static_cast<std::size_t>(pick(0, 3))];
        int column = 1 + pick(0, 2) + (label.empty() ? 0 : static_cast<int>(label.size()) + 1);
        int maxHeight = remaining - 2;
        while (column + 1 <= width) {
            const int boxWidth = pick(2, std::min(16, width - column + 1));
            const int boxHeight = pick(1, std::min(4, maxHeight));
            maxHeight = boxHeight;
            row.push_back({column, boxWidth, boxHeight, draw(boxWidth - 2, boxHeight, depth + 1)});
            column += boxWidth + pick(1, 3);
            if (pick(0, 3) == 0)
                break;
        }
        if (row.empty()) {
            text.lines.push_back(std::string(static_cast<std::size_t>(width), ' '));
            return 1;
        }
        const int rowHeight = row.front().height + 2;
        std::vector<std::string> lines(static_cast<std::size_t>(rowHeight),
                                       std::string(static_cast<std::size_t>(width), ' '));
        if (!label.empty()) {
            lines[0].replace(0, label.size(), label);
            text.words.push_back(label);
        }
        for (const Placed &box : row) {
            const auto left = static_cast<std::size_t>(box.column - 1);
            const auto w = static_cast<std::size_t>(box.width);
            const std::string border = "+" + std::string(w - 2, '-') + "+";
            lines[0].replace(left, w, border);
            for (int i = 0; i < box.height; ++i)
                lines[static_cast<std::size_t>(i + 1)].replace(
                    left, w, "|" + box.inner.lines[static_cast<std::size_t>(i)] + "|");
            lines[static_cast<std::size_t>(box.height + 1)].replace(left, w, border);
            text.boxes.push_back({box.column, box.width, box.height, box.inner.boxes, box.inner.words});
        }
        text.lines.insert(text.lines.end(), lines.begin(), lines.end());
        return rowHeight;
    }

    std::mt19937 m_rng;
};

// The report of seed `seed` among those the property tests draw: its size varies with the seed.
inline DrawnText drawnReport(unsigned seed)
{
    ReportDrawer drawer(seed);
    return drawer.draw(20 + static_cast<int>(seed % 60), 5 + static_cast<int>(seed % 40), 0);
}

// The drawn lines as report text, each ended by a carriage return and a line feed.
inline std::string reportText(const DrawnText &drawn)
{
    std::string report;
    for (const std::string &line : drawn.lines)
        report += line + "\r\n";
    return report;
}

} // namespace elvaro::report::testing
