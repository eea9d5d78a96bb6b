#pragma once

#include <QList>
#include <QPointer>
#include <QRect>
#include <QSize>

class QWidget;

// Places the controls of a window laid out at a designed size when the window is larger: each
// control keeps its designed place and size, moved or stretched by the window's growth along the
// edges it is anchored to.
namespace elvaro::shell {

class Anchors {
public:
    // Across: keeps its left edge, keeps its distance from the right edge, stays centred on the
    // same share of the width, or stretches with the window. Down: keeps its top, keeps its
    // distance from the bottom, or stretches.
    enum class Across { Left, Right, Centre, Stretch };
    enum class Down { Top, Bottom, Stretch };

    explicit Anchors(QSize designed) : m_designed(designed) {}

    // Records the control's present geometry as its designed one.
    void add(QWidget *control, Across across, Down down);

    // Places every control for a window of this size; sizes below the designed one count as it.
    void place(QSize window) const;

private:
    struct Anchored {
        QPointer<QWidget> control;
        QRect designed;
        Across across = Across::Left;
        Down down = Down::Top;
    };

    QSize m_designed;
    QList<Anchored> m_controls;
};

} // namespace elvaro::shell
