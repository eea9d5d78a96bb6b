# convert of a generated instrument report against a baseline that writes the same cell values
# with libxlsxwriter straight from a list (goals: at most 1.5 times the baseline's time, peak
# memory under 300 MB). Best of 7 runs each, measured in one run of this script; the processor
# time (user + system) is the steadier figure when other work shares the machine.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$BIN_DIR/convert_prepare" "$work" 30000
read -r convert_wall convert_cpu convert_kb < <("$BIN_DIR/convert_measure" 7 "$EXE" convert "$work/report.txt" -o "$work/out.xlsx")
read -r base_wall base_cpu base_kb < <("$BIN_DIR/convert_measure" 7 "$BIN_DIR/xlsx_baseline" "$work/cells.tsv" "$work/base.xlsx")
awk -v cw="$convert_wall" -v cc="$convert_cpu" -v ck="$convert_kb" -v bw="$base_wall" -v bc="$base_cpu" -v bk="$base_kb" 'BEGIN {
  printf "convert  wall %7.1f ms  processor %7.1f ms  peak %6.1f MB\n", cw * 1000, cc * 1000, ck / 1024
  printf "baseline wall %7.1f ms  processor %7.1f ms  peak %6.1f MB\n", bw * 1000, bc * 1000, bk / 1024
  printf "time ratio wall %.2f, processor %.2f (goal: at most 1.5); convert peak memory %.1f MB (goal: under 300)\n", cw / bw, cc / bc, ck / 1024
}'
