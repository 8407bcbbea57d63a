# Sourced by the window's end-to-end scripts, with the build directory as $1 and
# e2e_name set (see lib.sh). Besides what lib.sh gives, the window runs under X
# with its log and screenshots in <build>/e2e/, and these steps are shared: the
# port dialog, the full-mode question and the wait for a received frame.
out="$(cd "${1:?build directory}" && pwd)/e2e"
mkdir -p "$out"
e2e_logs="$out"
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
rm -f "$out/$e2e_name-failure.png"
export QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME || true

# A picture of the screen as it was when a step failed.
e2e_on_fail() {
    import -window root "$out/$e2e_name-failure.png" 2>/dev/null
}

# Starts the simulator as COM1 with these options, then the window.
start_sim_and_tool() {
    start_sim "$@"
    "$build/bin/mrt9dx-config" >"$tool_log" 2>&1 &
    tool_pid=$!
}

# Answers the port dialog by keys (COM1 is selected: Tab to OK, Space) and sets
# main to the main window's id.
choose_com1() {
    local dialog
    dialog=$(timeout 20 xdotool search --sync --onlyvisible --name '^Select COM Port$' | head -n 1) ||
        fail "no port dialog"
    xdotool windowfocus --sync "$dialog"
    echo "keys: Tab space"
    xdotool key --delay 100 Tab space
    main=$(timeout 20 xdotool search --sync --onlyvisible --name 'V1\.61' | head -n 1) || fail "no main window"
}

# Focuses the question the full-mode chord brings up.
await_full_mode_question() {
    local question
    question=$(timeout 10 xdotool search --sync --onlyvisible --name '^MRT9-DX Configuration & Calibration$' |
        head -n 1) || fail "no full-mode question"
    xdotool windowfocus --sync "$question"
}

# Waits up to 10 s for the simulator to receive a frame ($2 times, default once).
expect_frames() {
    local hex="$1" count="${2:-1}"
    for _ in $(seq 1 100); do
        [ "$(grep -c "^RX $hex " "$sim_log" || true)" -ge "$count" ] && return 0
        sleep 0.1
    done
    fail "the simulator did not receive $hex ($count times)"
}

# The window's job once COM1 is chosen, by mouse at the controls' places: the
# programmed ranges are read (R), full mode is entered with the chord, the
# input range is programmed (S) and a DAC code stored; each frame must reach
# the simulator. The full-mode question is kept in $out/question.png.
read_program_and_trim() {
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
    source "$(dirname "${BASH_SOURCE[0]}")/output_places.sh"

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
    for _ in $(seq 1 30); do xdotool getwindowname "$main" | grep -q ' (full)$' && break; sleep 0.1; done
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
}

# A second transmitter as COM3, held open by the companion watching it as
# another program would; both end with the script (and whatever else is added
# to held_pids).
hold_com3() {
    "$build/bin/mrt9dx-sim" --com 3 >"$work/sim3.log" 2>&1 &
    held_pids="$!"
    for _ in $(seq 1 100); do [ -e "$XDG_RUNTIME_DIR/mrt9dx/COM3" ] && break; sleep 0.1; done
    "$build/bin/mrt9dx-cli" -p COM3 watch --interval 1 >"$work/watch3.log" 2>&1 &
    held_pids="$held_pids $!"
    trap 'kill $held_pids 2>/dev/null || true; e2e_cleanup' EXIT
}
