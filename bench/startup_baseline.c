/* The floor of the start-up benchmark: a C program that links libxlsxwriter and only prints a
   line, as `elvaro-q3 --version` does. */
#include <stdio.h>
#include <xlsxwriter.h>

int main(int argc, char **argv)
{
    /* A call into the library, so that the link keeps it. */
    if (argc > 1)
        return workbook_new(argv[1]) == NULL;
    puts("elvaro-q3 (Elvaro-Q3 V1b) 1.0");
    return 0;
}
