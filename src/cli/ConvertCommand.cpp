#include "cli/Commands.h"

#include <cstdio>

namespace elvaro::cli {

int runConvert(const Arguments &)
{
    std::fprintf(stderr, "elvaro-q3 convert: not available yet\n");
    return 1;
}

} // namespace elvaro::cli
