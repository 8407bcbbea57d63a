#!/usr/bin/env bash
# The tool end to end: mrt9dx-config and mrt9dx-sim as separate processes over a
# pseudo-terminal, driven with xdotool on an X server (run under xvfb-run).
# The port dialog is answered, the programmed input and output ranges are read,
# full mode is entered with the chord, an input range is programmed and a DAC
# code trimmed; the frames that reach the simulator are checked, and a
# screenshot of the window is kept in <build>/e2e/full-mode.png.
set -euo pipefail
e2e_name=e2e
source "$(dirname "$0")/window_lib.sh"
rm -f "$out/full-mode.png" "$out/question.png"
start_sim_and_tool
choose_com1
expect_frames "02 21 00 03"
eval "$(xdotool getwindowgeometry --shell "$main")"
origin_x=$X
origin_y=$Y

# Clicks at a point of the window's client area.
click() {
    xdotool mousemove --sync $((origin_x + $1)) $((origin_y + $2)) click 1
    sleep 0.3
}
# Control centres in client coordinates: group box origin plus the control's
# place in it plus half its size.
read_perm_in=(304 94)      # btnGetPermInpRange: grpInput 8,64 + 286,20 + 10,10
set_input_range=(306 248)  # btnSetInputRange:   grpInput 8,64 + 288,174 + 10,10
source "$(dirname "$0")/output_places.sh"

click "${read_out_perm[@]}"
expect_frames "02 14 03"
click "${read_perm_in[@]}"
expect_frames "02 04 03"

# Full mode: the chord on the upper R button, which the click left focused; then Yes.
xdotool key ctrl+shift+alt+F6
await_full_mode_question
xdotool key --delay 100 Tab
sleep 0.2
import -window root "$out/question.png" 2>/dev/null || true
xdotool key --delay 100 space
for i in $(seq 1 30); do xdotool getwindowname "$main" | grep -q ' (full)$' && break; sleep 0.1; done
xdotool getwindowname "$main" | grep -q ' (full)$' || fail "the title does not show full mode"

# The calibration controls come with the next programmed-range reports.
click "${read_perm_in[@]}"
sleep 0.3
click "${read_out_perm[@]}"
sleep 0.5

# Program the input range the transmitter reported (T/C Type K, -200 to 1372).
click "${set_input_range[@]}"
expect_frames "02 07 10 FC 00 00 48 C3 00 80 AB 44 03"
expect_frames "02 33 A1 03"

# Trim the zero DAC code of the +-10 V range to 3200, typed digit by digit.
click "${zero_code[@]}"
xdotool key ctrl+a
xdotool type --delay 150 3200
expect_frames "02 10 EF 00 80 0C 03"
sleep 1

import -window "$main" "$out/full-mode.png" || fail "no screenshot"
echo "e2e: frames checked; screenshot $out/full-mode.png"

kill "$tool_pid"
wait "$tool_pid" 2>/dev/null || true
tool_pid=""
kill -TERM "$sim_pid"
wait "$sim_pid" 2>/dev/null || true
sim_pid=""
[ ! -e "$XDG_RUNTIME_DIR/mrt9dx/COM1" ] || fail "the simulator left its link behind"
echo "e2e: passed"
