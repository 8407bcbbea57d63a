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
