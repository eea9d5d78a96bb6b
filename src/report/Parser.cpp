#include "report/CCella.h"

#include <stdexcept>

namespace elvaro::report {

void CCella::newCella(const std::string &, ParseReporter &)
{
    throw std::logic_error("the parser is not built yet");
}

} // namespace elvaro::report
