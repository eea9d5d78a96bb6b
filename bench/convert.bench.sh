# convert against its floor: a program that writes the same cell values with the same formats
# with libxlsxwriter straight from a list. Processor time (user + system), best of several runs,
# the two taking turns. Goals: a report of a few lines at most 1.5 times the floor; 30,000 lines at
# most 1.3 times, on the generated tables and on a log of about 20,000 cells; peak memory of
# convert of 30,000 lines under 100 MB.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
compare() { # NAME SOURCE RUNS GOAL
  "$BIN_DIR/convert_prepare" "$work" "$1" "$2"
  mapfile -t lines < <("$BIN_DIR/measure" "$3" "$EXE" convert "$work/$1.txt" -o "$work/$1.xlsx" \
    :: "$BIN_DIR/xlsx_baseline" "$work/$1.tsv" "$work/$1-floor.xlsx")
  awk -v first="${lines[0]}" -v second="${lines[1]}" -v goal="$4" -v name="$1" 'BEGIN {
    split(first, a, " "); split(second, b, " ")
    ratio = a[2] / b[2]
    printf "  convert  processor %8.2f ms  wall %8.2f ms  peak %6.1f MB\n", a[2] * 1000, a[1] * 1000, a[3] / 1024
    printf "  floor    processor %8.2f ms  wall %8.2f ms  peak %6.1f MB\n", b[2] * 1000, b[1] * 1000, b[3] / 1024
    printf "  %s: convert takes %.2f times the floor (goal: at most %s): %s\n", name, ratio, goal, ratio <= goal ? "met" : "NOT MET"
    if (name == "tables-30000")
      printf "  peak memory of convert of 30,000 lines %.1f MB (goal: under 100): %s\n", a[3] / 1024, a[3] / 1024 < 100 ? "met" : "NOT MET"
  }'
}
compare few-lines "$ROOT_DIR/samples/boiler-report.txt" 30 1.5
compare tables-30000 30000 7 1.3
compare log-30000 sparse:30000 7 1.3
