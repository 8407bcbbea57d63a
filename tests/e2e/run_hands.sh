#!/usr/bin/env bash
# A person's hands at the real window, against a transmitter answering in 0.8 s
# (mrt9dx-sim --delay 780), driven with xdotool on an X server (run under
# xvfb-run with a screen of at least 1400x1300): a middle click over an unfocused
# number edit pastes nothing into what S then writes; a double and a triple
# click on each write button write once; a DAC store in RUN mode asks first
# (No: nothing goes out; Yes: the store goes out). Then the status line's red and
# green are measured from the screen's pixels at 100 % and 200 %, and the panels
# are looked at after the transmitter went away. Screenshots go to <build>/e2e/.
set -euo pipefail
e2e_name=hands
source "$(dirname "$0")/window_lib.sh"
command -v xclip >/dev/null || fail "xclip is needed to own the X selection"
here="$(cd "$(dirname "$0")" && pwd)"

clip_pid=""
stop_clip() { [ -n "$clip_pid" ] && kill "$clip_pid" 2>/dev/null || true; clip_pid=""; }
trap 'stop_clip; e2e_cleanup' EXIT

# The frames of one kind the simulator received so far ("02 17" cmdSetPermOut).
count() { grep -c "^RX $1 " "$sim_log" || true; }
# Clicks a point of the client area: button, then the number of clicks 80 ms apart.
click_at() {
    xdotool mousemove --sync $((origin_x + $1)) $((origin_y + $2)) click --repeat "${4:-1}" --delay 80 "${3:-1}"
}
# Answers a question box by keys.
answer() {
    local box
    box=$(timeout 10 xdotool search --sync --onlyvisible --name '^MRT9-DX Configuration & Calibration$' |
        head -n 1) || fail "no question"
    xdotool windowfocus --sync "$box"
    xdotool key "$1"
    sleep 0.3
}

start_sim_and_tool --delay 780
choose_com1
expect_frames "02 21 00 03"
eval "$(xdotool getwindowgeometry --shell "$main")"
origin_x=$X
origin_y=$Y
source "$here/output_places.sh"
read_perm_in=(304 94)
set_input_range=(306 248)
cal_zero=(136 330)  # the button at the right end of edInpZero
cal_full=(136 357)
set_out_range=(634 220)
store_zero=(481 247)
store_full=(481 274)
alarm_limit=(436 362)
run_cal=(592 35) # the text half of the RUN/CAL switch

click_at "${read_out_perm[@]}"
expect_frames "02 14 03"
click_at "${read_perm_in[@]}"
expect_frames "02 04 03"
sleep 1

# 1. "7" selected in another program; a middle click over Alarm limit, then S.
printf 7 | xclip -selection primary -quiet &
clip_pid=$!
sleep 0.3
click_at "${alarm_limit[@]}" 2
sleep 0.3
click_at "${set_out_range[@]}"
expect_frames "02 17"
sleep 1.5
grep "^RX 02 17 " "$sim_log" | tail -n 1 | grep -q " 00 00 FA 43 " ||
    fail "the alarm limit sent is not 500.0: $(grep '^RX 02 17 ' "$sim_log" | tail -n 1)"
echo "wire: middle click over Alarm limit, then S: $(grep '^RX 02 17 ' "$sim_log" | tail -n 1)"
stop_clip

# 2. Double and triple clicks write once.
writes_once() { # name, x, y, frame start, clicks
    local before after
    before=$(count "$4")
    click_at "$2" "$3" 1 "$5"
    sleep 2.6
    after=$(count "$4")
    [ $((after - before)) -eq 1 ] || fail "$1: $5 clicks wrote $((after - before)) times"
    echo "wire: $1, $5 clicks: one frame $4 (received $before -> $after)"
}
writes_once "program output range" "${set_out_range[@]}" "02 17" 2
writes_once "program output range" "${set_out_range[@]}" "02 17" 3
writes_once "program input range" "${set_input_range[@]}" "02 07" 2
writes_once "program input range" "${set_input_range[@]}" "02 07" 3

# Full mode by the chord on the upper R button, then the calibration controls.
click_at "${read_perm_in[@]}"
sleep 1.2
xdotool key ctrl+shift+alt+F6
await_full_mode_question
xdotool key --delay 100 Tab space
sleep 0.5
click_at "${read_perm_in[@]}"
sleep 1.2
click_at "${read_out_perm[@]}"
sleep 1.2

# 3. A DAC store in RUN mode: the question, No (the default, Return), then Yes.
before=$(count "02 11")
click_at "${store_zero[@]}"
answer Return
sleep 1.5
[ "$(count "02 11")" -eq "$before" ] || fail "a DAC store answered No went out"
echo "wire: zero DAC store in RUN answered No: no 02 11 frame"
click_at "${store_zero[@]}"
answer alt+y
sleep 1.5
[ "$(count "02 11")" -eq $((before + 1)) ] || fail "a DAC store answered Yes did not go out"
echo "wire: zero DAC store in RUN answered Yes: $(grep '^RX 02 11 ' "$sim_log" | tail -n 1)"

# CAL mode, then every calibration write button double- and triple-clicked.
click_at "${run_cal[@]}"
expect_frames "02 20 01 03"
sleep 1.5
writes_once "store zero DAC code" "${store_zero[@]}" "02 11" 2
writes_once "store full DAC code" "${store_full[@]}" "02 12" 3
writes_once "calibrate input zero" "${cal_zero[@]}" "02 01" 2
writes_once "calibrate input full scale" "${cal_full[@]}" "02 10 FD" 3
writes_once "store full DAC code" "${store_full[@]}" "02 12" 2
writes_once "calibrate input zero" "${cal_zero[@]}" "02 01" 3

# 4. The status line's colours from the screen: green after an answer, red
# after a refusal; the darkest fully inked pixel against the bar's ground.
status_shot() { # file, scale, hue: screens the status line until that hue shows
    python3 "$here/grab_status.py" $(((origin_x + 380) * $2)) $(((origin_y + 584) * $2)) \
        $((239 * $2)) $((22 * $2)) 6 "$3" "$out/$1" || true
}
measure_status() { # scale
    click_at "${read_perm_in[@]}"
    status_shot "status-green-$1.png" "$1" green
    python3 "$here/contrast.py" "$out/status-green-$1.png" green "$1" || fail "green below 4.5:1"
}
measure_status 1

# 5. The transmitter goes away: the window after the box is closed.
kill "$sim_pid"
wait "$sim_pid" 2>/dev/null || true
sim_pid=""
box=$(timeout 10 xdotool search --sync --onlyvisible --name '^MRT9-DX Configuration & Calibration$' |
    head -n 1) || fail "no box for the lost port"
xdotool windowfocus --sync "$box"
xdotool key Return
sleep 0.5
import -window "$main" "$out/unplugged.png" || fail "no screenshot"
import -window root -crop "239x22+$((origin_x + 380))+$((origin_y + 584))" "$out/status-red-1.png"
python3 "$here/contrast.py" "$out/status-red-1.png" red 1 || fail "red below 4.5:1"
kill "$tool_pid"
wait "$tool_pid" 2>/dev/null || true
tool_pid=""

# The same colours at 200 %.
start_sim --delay 780 --refuse 4
QT_SCALE_FACTOR=2 "$build/bin/mrt9dx-config" >"$tool_log" 2>&1 &
tool_pid=$!
choose_com1
eval "$(xdotool getwindowgeometry --shell "$main")"
origin_x=$((X / 2))
origin_y=$((Y / 2))
sleep 1
click_scaled() { xdotool mousemove --sync $(((origin_x + $1) * 2)) $(((origin_y + $2) * 2)) click 1; }
click_scaled "${read_perm_in[@]}"
status_shot "status-red-2.png" 2 red
python3 "$here/contrast.py" "$out/status-red-2.png" red 2 || fail "red below 4.5:1 at 200 %"
sleep 2.5
click_scaled "${read_out_perm[@]}"
status_shot "status-green-2.png" 2 green
python3 "$here/contrast.py" "$out/status-green-2.png" green 2 || fail "green below 4.5:1 at 200 %"
import -window "$main" "$out/window-200.png" 2>/dev/null || true
echo "hands: passed"
