#pragma once

#include <string_view>

namespace elvaro::report {

class CCella;
class ParseReporter;

// Parses report text into `cell`'s children: boxes with borders of their own, grids of cells that
// share their borders, and the text runs outside them. See CCella::newCella.
void parseReport(CCella &cell, std::string_view text, ParseReporter &reporter);

} // namespace elvaro::report
