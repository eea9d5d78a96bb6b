#pragma once

#include <QSize>

#include <span>

class QWidget;

// Where the controls of a window stand as designed. Positions and sizes are in twips (1/1440 inch;
// 15 twips are one pixel at 96 dots per inch), as the windows were drawn.
namespace elvaro::shell {

// Twips to pixels at 96 dots per inch.
constexpr int twips(int value)
{
    return (value + 7) / 15;
}

struct ControlPlace {
    // A height that stands for the control's own height (its size hint) in the window's font.
    static constexpr int kOwnHeight = -1;

    const char *name; // the control's object name
    int left;
    int top;
    int width;
    int height;
};

// A window's designed client area and the places of its controls.
struct WindowLayout {
    int width;
    int height;
    std::span<const ControlPlace> controls;

    // The client area in pixels.
    QSize size() const { return QSize(twips(width), twips(height)); }

    // Puts each control, a child of `window` found by its name, at its place. Throws
    // std::logic_error naming a control the window does not have.
    void place(QWidget &window) const;
};

} // namespace elvaro::shell
