#include "shell/Desktop.h"

#include <cstdio>

namespace elvaro::shell {

int runDesktop(int, char **)
{
    std::fprintf(stderr, "elvaro-q3: the desktop program is not built yet\n");
    return 1;
}

} // namespace elvaro::shell
