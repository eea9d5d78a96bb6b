#!/usr/bin/env bash
# Runs every benchmark of the build, one after the other, and prints their figures.
set -euo pipefail
BIN_DIR="@CMAKE_CURRENT_BINARY_DIR@"
ROOT_DIR="@PROJECT_SOURCE_DIR@"
EXE="@PROJECT_BINARY_DIR@/elvaro-q3"
export BIN_DIR ROOT_DIR EXE
for script in "$ROOT_DIR"/bench/*.bench.sh; do
  [ -e "$script" ] || continue
  echo "== $(basename "$script" .bench.sh)"
  bash "$script"
done
