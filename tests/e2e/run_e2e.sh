#!/usr/bin/env bash
# The tool end to end: mrt9dx-config and mrt9dx-sim as separate processes over a
# pseudo-terminal, driven with xdotool on an X server (run under xvfb-run).
# The port dialog is answered, the programmed input and output ranges are read,
# full mode is entered with the chord, an input range is programmed and a DAC
# code trimmed; the frames that reach the simulator are checked, and a
# screenshot of the window is kept in <build>/e2e/full-mode.png.
set -euo pipefail
build="$(cd "${1:?build directory}" && pwd)"
out="$build/e2e"
mkdir -p "$out"
rm -f "$out"/*.png "$out"/*.log

export XDG_RUNTIME_DIR="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME || true

sim_pid=""
tool_pid=""
cleanup() {
    [ -n "$tool_pid" ] && kill "$tool_pid" 2>/dev/null || true
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$XDG_RUNTIME_DIR"
}
trap cleanup EXIT

fail() {
    echo "e2e: $*" >&2
    import -window root "$out/failure.png" 2>/dev/null || true
    echo "--- simulator log ---" >&2
    cat "$out/sim.log" >&2 || true
    echo "--- tool output ---" >&2
    cat "$out/tool.log" >&2 || true
    exit 1
}

# Waits up to 10 s for a hexadecimal frame in the simulator's log.
expect_frame() {
    local hex="$1" i
    for i in $(seq 1 100); do
        if tr 'a-f' 'A-F' <"$out/sim.log" | grep -q -- "$hex"; then return 0; fi
        sleep 0.1
    done
    fail "the simulator did not receive $hex"
}

"$build/bin/mrt9dx-sim" --com 1 >"$out/sim.log" 2>&1 &
sim_pid=$!
for i in $(seq 1 50); do [ -e "$XDG_RUNTIME_DIR/mrt9dx/COM1" ] && break; sleep 0.1; done
[ -e "$XDG_RUNTIME_DIR/mrt9dx/COM1" ] || fail "the simulator placed no COM1 link"

"$build/bin/mrt9dx-config" >"$out/tool.log" 2>&1 &
tool_pid=$!

# The port dialog: the first entry is selected; Tab moves to OK, space presses it.
dialog=$(timeout 20 xdotool search --sync --onlyvisible --name '^Select COM Port$' | head -n 1) ||
    fail "no port dialog"
xdotool windowfocus --sync "$dialog"
xdotool key --delay 100 Tab space

main=$(timeout 20 xdotool search --sync --onlyvisible --name 'V1\.61' | head -n 1) || fail "no main window"
expect_frame "02 21 00 03"
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
expect_frame "02 14 03"
click "${read_perm_in[@]}"
expect_frame "02 04 03"

# Full mode: the chord on the upper R button, which the click left focused; then Yes.
xdotool key ctrl+shift+alt+F6
question=$(timeout 10 xdotool search --sync --onlyvisible --name '^MRT9-DX Configuration & Calibration$' | head -n 1) ||
    fail "no full-mode question"
xdotool windowfocus --sync "$question"
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
expect_frame "02 07 10 FC 00 00 48 C3 00 80 AB 44 03"
expect_frame "02 33 A1 03"

# Trim the zero DAC code of the +-10 V range to 3200, typed digit by digit.
click "${zero_code[@]}"
xdotool key ctrl+a
xdotool type --delay 150 3200
expect_frame "02 10 EF 00 80 0C 03"
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
