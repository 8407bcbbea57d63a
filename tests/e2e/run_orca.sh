#!/usr/bin/env bash
# Walks the window with the Orca screen reader on a virtual X server, against
# mrt9dx-sim, and keeps what Orca would speak from its debug log: a write's
# status line, the port dialog while the arrow keys choose a port another
# program holds, and the JP6 picture. Not part of the suite: run it by hand
# under xvfb-run, with the build directory and a folder for the speech.
# Starts its own D-Bus session.
set -euo pipefail
build="$(cd "${1:?build directory}" && pwd)"
speech="$(mkdir -p "${2:?folder for the speech}" && cd "$2" && pwd)"
here="$(cd "$(dirname "$0")" && pwd)"
if [ -z "${MRT_ORCA_SESSION:-}" ]; then
    MRT_ORCA_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi
e2e_name=orca
source "$here/window_lib.sh"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 GTK_MODULES=gail:atk-bridge NO_AT_BRIDGE=0
orca --replace --debug-file="$speech/orca-debug.log" >"$speech/orca-stdout.log" 2>&1 &
orca_pid=$!
sleep 4
start_sim_and_tool --reading 123.4
hold_com3
held_pids="$held_pids $orca_pid"

# COM1 first; then the port dialog again by Ctrl+O, now that COM3 is held, and
# the arrow keys over the ports.
choose_com1
sleep 2
xdotool windowfocus --sync "$main"
xdotool key ctrl+o
dialog=$(timeout 20 xdotool search --sync --onlyvisible --name '^Select COM Port$' | head -n 1) || fail "no port dialog"
xdotool windowfocus --sync "$dialog"
sleep 2
echo "=== port dialog: Down Down Up Up" >>"$speech/orca-marks.log"
for key in Down Down Up Up; do xdotool key "$key"; sleep 1.5; done
xdotool key Escape
sleep 1
xdotool windowfocus --sync "$main"
# A write by keys: Tab to the first read button and Space, then walk on by Tab
# so that Orca reaches the JP6 picture's neighbours and the status line.
echo "=== main window: Tab walk and Space on buttons" >>"$speech/orca-marks.log"
for _ in $(seq 1 40); do xdotool key Tab; sleep 0.6; done
xdotool key space
sleep 3
# Orca's flat review reads what is on screen, the picture and the status line too.
xdotool key KP_Add
sleep 2
for _ in $(seq 1 60); do xdotool key KP_3; sleep 0.3; done
sleep 1
grep -E "SPEECH OUTPUT|speech.speak" "$speech/orca-debug.log" >"$speech/orca-speech.txt" || true
echo "orca: $(wc -l <"$speech/orca-speech.txt") spoken lines in $speech/orca-speech.txt"
