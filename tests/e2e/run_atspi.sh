#!/usr/bin/env bash
# The window as a Linux screen reader meets it: mrt9dx-config on an X server with
# the accessibility bus, against mrt9dx-sim, read and worked through AT-SPI by
# atspi_read.py. Run under xvfb-run; starts its own D-Bus session.
set -euo pipefail
build="$(cd "${1:?build directory}" && pwd)"
here="$(cd "$(dirname "$0")" && pwd)"
if [ -z "${MRT_ATSPI_SESSION:-}" ]; then
    MRT_ATSPI_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi
e2e_name=atspi
source "$here/window_lib.sh"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
start_sim_and_tool --reading 123.4

# The port dialog and full mode by keys, so that the switch can be worked.
choose_com1
sleep 0.5
xdotool key ctrl+shift+alt+F6
await_full_mode_question
xdotool key --delay 100 Tab space
sleep 0.5

# MRT_ATSPI_TREES, when set, is a folder for both trees as text.
trees="${MRT_ATSPI_TREES:-$work}"
mkdir -p "$trees"
/usr/bin/python3 "$here/atspi_read.py" "$sim_log" "$trees/atspi-main-window.txt"
import -window root "$trees/atspi-main-window.png" 2>/dev/null || true

# The port dialog while another program holds COM3: a second transmitter there,
# held open by the companion watching it.
hold_com3
sleep 1
xdotool windowfocus --sync "$main"
xdotool key ctrl+o
dialog=$(timeout 20 xdotool search --sync --onlyvisible --name '^Select COM Port$' | head -n 1) ||
    fail "no port dialog after Ctrl+O"
xdotool windowfocus --sync "$dialog"
/usr/bin/python3 "$here/atspi_read.py" --port-dialog "$trees/atspi-port-dialog.txt"
import -window root "$trees/atspi-port-dialog.png" 2>/dev/null || true
xdotool key Escape
