# Start-up: the processor time of `elvaro-q3 --version` against a C program that links
# libxlsxwriter and only prints a line (goal: at most 5 ms more). Best of 30 runs each, taking turns.
set -euo pipefail
mapfile -t lines < <("$BIN_DIR/measure" 30 "$EXE" --version :: "$BIN_DIR/startup_baseline")
awk -v first="${lines[0]}" -v second="${lines[1]}" 'BEGIN {
  split(first, a, " "); split(second, b, " ")
  extra = (a[2] - b[2]) * 1000
  printf "elvaro-q3 --version  processor %6.2f ms  wall %6.2f ms\n", a[2] * 1000, a[1] * 1000
  printf "C program printing   processor %6.2f ms  wall %6.2f ms\n", b[2] * 1000, b[1] * 1000
  printf "start-up costs %.2f ms more processor time (goal: at most 5): %s\n", extra, extra <= 5 ? "met" : "NOT MET"
}'
