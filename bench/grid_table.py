#!/usr/bin/python3
"""Writes a reStructuredText grid table of ROWS rows of ten cells to FILE, then parses the same
lines with docutils' GridTableParser in this process and prints the best processor time of RUNS
parses in seconds, and the number of cells it found."""
import sys
import time

from docutils.parsers.rst.tableparser import GridTableParser
from docutils.statemachine import StringList

COLUMNS = 10
WIDTH = 9


def grid_table(rows):
    border = "+" + "+".join(["-" * WIDTH] * COLUMNS) + "+"
    lines = [border]
    for row in range(rows):
        cells = [(" r%dc%d" % (row + 1, column + 1)).ljust(WIDTH) for column in range(COLUMNS)]
        lines.append("|" + "|".join(cells) + "|")
        lines.append(border)
    return lines


def main(path, rows, runs):
    lines = grid_table(rows)
    with open(path, "w", encoding="ascii", newline="\r\n") as out:
        out.write("\n".join(lines) + "\n")
    best = None
    cells = 0
    for _ in range(runs):
        start = time.process_time()
        colspecs, head, body = GridTableParser().parse(StringList(lines))
        elapsed = time.process_time() - start
        best = elapsed if best is None else min(best, elapsed)
        cells = sum(len(row) for row in head + body)
    print("%.5f %d" % (best, cells))


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]), int(sys.argv[3]))
