#include "cli/Commands.h"

#include <cstdio>

namespace elvaro::cli {

int runCapture(const Arguments &)
{
    std::fprintf(stderr, "elvaro-q3 capture: not available yet\n");
    return 1;
}

} // namespace elvaro::cli
