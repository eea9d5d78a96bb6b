# tree against docutils' GridTableParser parsing the same grid table of 3,200 rows of ten cells
# (32,000 cells) in its own process: our whole process, start to end, at least 15 times as fast.
# Processor time, best of 7 runs each. python3-docutils is installed for this benchmark when it
# is missing (it is no build or test dependency).
set -euo pipefail
if ! python3 -c 'import docutils' 2>/dev/null; then
  echo "installing python3-docutils for this benchmark"
  sudo=$([ "$(id -u)" = 0 ] || echo sudo)
  $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq python3-docutils >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
read -r docutils_cpu docutils_cells < <(python3 "$ROOT_DIR/bench/grid_table.py" "$work/grid.txt" 3200 7)
# Both read the same drawing as a grid of cells.
read -r tree_wall tree_cpu tree_kb < <("$BIN_DIR/measure" 7 "$EXE" tree "$work/grid.txt")
awk -v dc="$docutils_cpu" -v cells="$docutils_cells" -v tc="$tree_cpu" -v tw="$tree_wall" 'BEGIN {
  printf "docutils GridTableParser (in-process)  processor %8.2f ms  (%d cells)\n", dc * 1000, cells
  printf "elvaro-q3 tree (whole process)         processor %8.2f ms  wall %8.2f ms\n", tc * 1000, tw * 1000
  printf "tree is %.1f times as fast (goal: at least 15): %s\n", dc / tc, (dc / tc >= 15) ? "met" : "NOT MET"
}'
