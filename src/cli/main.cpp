#include "cli/Program.h"

int main(int argc, char **argv)
{
    return elvaro::cli::runCommandLine(argc, argv);
}
