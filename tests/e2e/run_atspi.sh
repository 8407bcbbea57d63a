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

/usr/bin/python3 "$here/atspi_read.py" "$sim_log"
