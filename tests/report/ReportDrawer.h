#pragma once

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace elvaro::report::testing {

// Where the generator drew a box: its column in the text that holds it, its size, and the boxes
// and the words drawn inside it, in reading order.
struct DrawnBox {
    int column = 0, width = 0, height = 0;
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
        for (int y = 0; y < height;) {
            const int choice = pick(0, 9);
            if (choice < 4 && height - y >= 3 && width >= 2 && depth < 3) {
                y += drawBoxRow(text, width, height - y, depth);
                continue;
            }
            std::string line = blank(width);
            if (choice < 7) {
                line = textLine(width, text.words);
            } else if (choice == 7 && width > 0) {
                const int dashes = pick(1, width);
                text.words.push_back(std::string(dashes, '-'));
                line.replace(0, dashes, text.words.back());
            }
            text.lines.push_back(line);
            ++y;
        }
        return text;
    }

private:
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    static std::string blank(int width) { return std::string(static_cast<std::size_t>(width), ' '); }

    std::string textLine(int width, std::vector<std::string> &words)
    {
        static const std::vector<std::string> vocabulary = {"Temp", "+21.5", "-3.0", "OK",    "Zone", "12",
                                                            "bar",  "N.",    "done", "Alarm", "x"};
        std::string line = blank(pick(0, 2));
        bool signedNumberDrawn = false;
        for (;;) {
            const std::string &word = vocabulary[pick(0, 10)];
            if (static_cast<int>(line.size() + word.size()) > width)
                break;
            // A second '+' on the line would make the first one a box corner.
            if (word.front() == '+' && std::exchange(signedNumberDrawn, true))
                continue;
            words.push_back(word);
            line += word + blank(pick(1, 3));
        }
        line.resize(width, ' ');
        return line;
    }

    int drawBoxRow(DrawnText &text, int width, int remaining, int depth)
    {
        std::vector<std::pair<DrawnBox, DrawnText>> row;
        // Sometimes a label stands left of the row on its top border line.
        std::string label;
        if (width >= 12 && pick(0, 3) == 0)
            label = std::vector<std::string>{"Zone", "Temp", "N.", "x"}[pick(0, 3)];
        int column = 1 + pick(0, 2) + (label.empty() ? 0 : static_cast<int>(label.size()) + 1);
        for (int maxHeight = remaining - 2; column + 1 <= width;) {
            const int boxWidth = pick(2, std::min(16, width - column + 1));
            maxHeight = pick(1, std::min(4, maxHeight));
            row.push_back({{column, boxWidth, maxHeight, {}, {}}, draw(boxWidth - 2, maxHeight, depth + 1)});
            column += boxWidth + pick(1, 3);
            if (pick(0, 3) == 0)
                break;
        }
        if (row.empty()) {
            text.lines.push_back(blank(width));
            return 1;
        }
        std::vector<std::string> lines(row.front().first.height + 2, blank(width));
        if (!label.empty()) {
            lines[0].replace(0, label.size(), label);
            text.words.push_back(label);
        }
        for (auto &[box, inner] : row) {
            const std::string border = "+" + std::string(box.width - 2, '-') + "+";
            lines[0].replace(box.column - 1, box.width, border);
            for (int i = 0; i < box.height; ++i)
                lines[i + 1].replace(box.column - 1, box.width, "|" + inner.lines[i] + "|");
            lines[box.height + 1].replace(box.column - 1, box.width, border);
            box.boxes = inner.boxes;
            box.words = inner.words;
            text.boxes.push_back(box);
        }
        text.lines.insert(text.lines.end(), lines.begin(), lines.end());
        return static_cast<int>(lines.size());
    }

    std::mt19937 m_rng;
};

// The report of seed `seed` among those the property tests draw: its size varies with the seed.
inline DrawnText drawnReport(unsigned seed)
{
    return ReportDrawer(seed).draw(20 + static_cast<int>(seed % 60), 5 + static_cast<int>(seed % 40), 0);
}

} // namespace elvaro::report::testing
