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
read_program_and_trim
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
