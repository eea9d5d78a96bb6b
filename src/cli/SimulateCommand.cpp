#include "cli/Commands.h"

#include <cstdio>

namespace elvaro::cli {

int runSimulate(const Arguments &)
{
    std::fprintf(stderr, "elvaro-q3 simulate: not available yet\n");
    return 1;
}

} // namespace elvaro::cli
