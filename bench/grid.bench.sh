# Grid tables: a table of 2,000 rows of eight cells, with a header rule and a rule under every
# row, and the same table of 4,000 rows. Processor time of tree (the parse) and of convert (parse,
# layout and workbook), best of several runs. Goal: doubling the table costs at most 2.5 times.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
write_grid() { # ROWS FILE
  awk -v rows="$1" 'BEGIN {
    rule = "+"; header = "+"
    for (c = 1; c <= 8; c++) { rule = rule "----------+"; header = header "==========+" }
    line = "|"
    for (c = 1; c <= 8; c++) line = line sprintf(" %-9s|", "Col " c)
    printf "%s\r\n%s\r\n%s\r\n", rule, line, header
    for (r = 1; r <= rows; r++) {
      line = "|"
      for (c = 1; c <= 8; c++) line = line sprintf(" %-9s|", (c == 1 ? "T" r : sprintf("%+.1f", (r * c) % 97 - 40.5)))
      printf "%s\r\n%s\r\n", line, rule
    }
  }' > "$2"
}
for rows in 2000 4000; do
  write_grid "$rows" "$work/grid-$rows.txt"
done
for command in tree convert; do
  previous=""
  for rows in 2000 4000; do
    if [ "$command" = tree ]; then
      read -r wall cpu kb < <("$BIN_DIR/measure" 7 "$EXE" tree "$work/grid-$rows.txt")
    else
      read -r wall cpu kb < <("$BIN_DIR/measure" 5 "$EXE" convert "$work/grid-$rows.txt" -o "$work/grid-$rows.xlsx")
    fi
    awk -v c="$command" -v r="$rows" -v cpu="$cpu" -v wall="$wall" -v kb="$kb" -v prev="$previous" 'BEGIN {
      printf "  %-7s grid of %d rows x 8: processor %8.2f ms  wall %8.2f ms  peak %6.1f MB\n", c, r, cpu * 1000, wall * 1000, kb / 1024
      if (prev != "")
        printf "  %-7s doubling the grid costs %.2f times the time (goal: at most 2.5): %s\n", c, cpu / prev, (cpu / prev <= 2.5) ? "met" : "NOT MET"
    }'
    previous=$cpu
  done
done
