#!/usr/bin/env bash
# The whole job with the keyboard alone, against mrt9dx-sim: choose the port,
# read the version, read the input range, full mode, calibrate the input at zero
# and full scale (each time answering Yes to the question that the unit is in
# RUN mode), read the output range, switch to CAL, trim and store the zero
# DAC code, switch back to RUN. Only key events are sent (xdotool key); Xvfb has
# no window manager, so the window is given the focus as one would give it.
# Prints every key in order and the frames the simulator received.
set -euo pipefail
e2e_name=keyboard
source "$(dirname "$0")/window_lib.sh"
start_sim_and_tool

keys() {
    echo "keys: $*"
    xdotool key --delay 150 "$@"
}
tabs() { local n="$1" k=(); shift; for ((i = 0; i < n; i++)); do k+=("$1"); done; keys "${k[@]}" "${@:2}"; }

choose_com1
xdotool windowfocus --sync "$main"
expect_frames "02 21 00 03"
keys ctrl+i;  expect_frames "02 30 03"           # the product version
keys space;   expect_frames "02 04 03"           # the upper R has the focus: programmed input range
keys ctrl+shift+alt+F6                           # full mode ...
await_full_mode_question
keys Tab space                                   # ... Yes
xdotool windowfocus --sync "$main"
keys space;   expect_frames "02 04 03" 2         # R again: the calibration controls come with it
# Answers Yes (Alt+Y) to the question a calibration in RUN mode asks.
yes_in_run() {
    await_full_mode_question
    keys alt+y
    xdotool windowfocus --sync "$main"
}
tabs 5 Tab space; yes_in_run; expect_frames "02 01 10 FC 03" # the button of edInpZero: calibrate zero
tabs 2 Tab space; yes_in_run; expect_frames "02 10 FD 10 FC 00 66 56 47 03" # edInpFull's: full scale
tabs 4 Tab space; expect_frames "02 14 03"       # R of the output panel: programmed output range
tabs 16 Tab space; expect_frames "02 20 01 03"   # the RUN/CAL switch: CAL
tabs 12 shift+Tab                                # back to seOutZero
keys ctrl+a 3 2 0 0; expect_frames "02 10 EF 00 80 0C 03" # the zero DAC code, live
keys Tab space                                   # S beside it: store it
expect_frames "02 11 00 80 0C 00 00 00 20 C1 00 00 20 41 00 00 FA 43 00 00 20 41 00 03"
tabs 11 Tab space; expect_frames "02 20 00 03"   # the switch: back to RUN
sleep 0.5
echo "--- frames received by the simulator ---"
grep '^RX' "$sim_log"
[ "$(grep -c '^RX 02 11 ' "$sim_log")" -eq 1 ] || fail "the zero DAC code was stored more than once"
echo "keyboard: passed"
