#pragma once

#include <QByteArray>

namespace elvaro::simulator {

// A report as the instrument prints it, drawn with code page 437 line-drawing bytes: a heading
// with text runs, separator lines, three boxes side by side holding signed readings, a box with a
// nested box, and a signature line. Lines end with a carriage return and a line feed.
QByteArray sampleReport();

} // namespace elvaro::simulator
