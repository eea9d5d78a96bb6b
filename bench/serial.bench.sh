# Serial receive: processor time of an open receive with nothing arriving (goal under 2 % of one
# core) and the time to receive 1 MiB through a pseudo-terminal (goal under 2 s), collected and
# shown in the main window.
set -euo pipefail
"$BIN_DIR/serial_idle" 3
"$BIN_DIR/serial_receive"
"$BIN_DIR/download_view"
