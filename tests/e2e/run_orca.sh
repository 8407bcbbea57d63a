#!/usr/bin/env bash
# Walks the window with the Orca screen reader on a virtual X server, against
# mrt9dx-sim answering in 0.8 s (so that each step of the status line lasts long
# enough for Orca's status-bar command to read it), and keeps what Orca would
# speak from its debug log: the status line after a write, the port dialog while
# the arrow keys choose a port another program holds, and the JP6 picture;
# orca-marks.log holds the times of the steps. Not part of the suite: run it by
# hand under xvfb-run, with the build directory and a folder for the speech.
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
start_sim_and_tool --reading 123.4 --delay 780
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
mark() { echo "$(date -u +%H:%M:%S.%N) === $*" >>"$speech/orca-marks.log"; }
mark "port dialog: Down Down Up Up"
for key in Down Down Up Up; do xdotool key "$key"; sleep 1.5; done
# The dialog takes no Escape: Cancel by Tab, Tab and Space.
mark "port dialog: Cancel"
xdotool key --delay 300 Tab Tab space
sleep 1.5
xdotool windowfocus --sync "$main"
eval "$(xdotool getwindowgeometry --shell "$main")"
# A write by keys: the programmed input range's R by a click (grpInput 8,64 +
# 286,20 + 10,10), then Tab over the range list and the active R to its S, and
# Space; Orca's status bar command (Insert with KP_Enter twice) reads the line.
mark "main window: R clicked, Tab to S (Program input range)"
xdotool mousemove --sync $((X + 304)) $((Y + 94)) click 1
sleep 2
# One key at a time: a key held for xdotool's delay repeats under Xvfb.
keys() { for k in "$@"; do xdotool key "$k"; sleep 1.2; done; }
keys Tab Tab Tab
mark "main window: Space on S"
xdotool key space
# The line about every 0.6 s while the write and the toolkit version are out
# and once they are answered.
for wait in 0.4 0.6 0.6 0.6; do
    sleep "$wait"
    mark "main window: status bar (Insert+KP_Enter twice)"
    xdotool keydown Insert key --delay 80 KP_Enter KP_Enter keyup Insert
done
sleep 3
# The JP6 picture in the general strip, the window's first line: Orca's flat
# review from the top (Insert with KP_7) reads that line (KP_8) and walks it word
# by word (KP_6).
mark "main window: flat review of the first line"
xdotool keydown Insert key KP_7 keyup Insert
sleep 1.5
xdotool key KP_8
sleep 3
for _ in $(seq 1 16); do xdotool key KP_6; sleep 0.7; done
sleep 1
import -window root "$speech/window.png" 2>/dev/null || true
grep -E "SPEECH OUTPUT|speech.speak" "$speech/orca-debug.log" >"$speech/orca-speech.txt" || true
echo "orca: $(wc -l <"$speech/orca-speech.txt") spoken lines in $speech/orca-speech.txt"
