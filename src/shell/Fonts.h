#pragma once

#include <QFont>

// The fonts of the windows: the platform's sans-serif font stands in for "MS Sans Serif", a
// fixed-pitch font in which the report's tables line up for "Courier New".
namespace elvaro::shell {

QFont sansSerifFont(qreal pointSize, bool bold);
QFont arialFont(qreal pointSize, bool bold);
QFont fixedPitchFont(qreal pointSize);

// True when every character of the font takes the same width, so drawn tables line up.
bool charactersLineUp(const QFont &font);

} // namespace elvaro::shell
