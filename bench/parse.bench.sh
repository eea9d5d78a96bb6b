# Parser speed on generated 15,000- and 30,000-line reports (goal: 30,000 lines under 100 ms).
"$BIN_DIR/parse_bench"
