#include "cli/Commands.h"

#include <cstdio>

namespace elvaro::cli {

int runTree(const Arguments &)
{
    std::fprintf(stderr, "elvaro-q3 tree: not available yet\n");
    return 1;
}

} // namespace elvaro::cli
