# Sourced by the window's end-to-end scripts, with the build directory as $1 and
# e2e_name set to the script's short name (the prefix of its messages and logs).
# It gives them a runtime folder of their own, so that the port dialog offers
# the simulator's COM1 alone; the simulator and the window as separate
# processes that end with the script; and waits on the frames the simulator
# logs as received ("RX 02 04 03  cmdReadPermIn").
build="$(cd "${1:?build directory}" && pwd)"
out="$build/e2e"
mkdir -p "$out"
sim_log="$out/$e2e_name-sim.log"
tool_log="$out/$e2e_name-tool.log"
rm -f "$sim_log" "$tool_log" "$out/$e2e_name-failure.png"
export XDG_RUNTIME_DIR="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME || true

sim_pid=""
tool_pid=""
e2e_cleanup() {
    [ -n "$tool_pid" ] && kill "$tool_pid" 2>/dev/null || true
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$XDG_RUNTIME_DIR"
}
trap e2e_cleanup EXIT

# Says what failed, keeps a picture of the screen and prints both logs.
fail() {
    echo "$e2e_name: $*" >&2
    import -window root "$out/$e2e_name-failure.png" 2>/dev/null || true
    echo "--- simulator log ---" >&2
    cat "$sim_log" >&2 || true
    echo "--- tool output ---" >&2
    cat "$tool_log" >&2 || true
    exit 1
}

# Starts the simulator as COM1 with these options, then the window.
start_sim_and_tool() {
    "$build/bin/mrt9dx-sim" --com 1 "$@" >"$sim_log" 2>&1 &
    sim_pid=$!
    for _ in $(seq 1 50); do [ -e "$XDG_RUNTIME_DIR/mrt9dx/COM1" ] && break; sleep 0.1; done
    [ -e "$XDG_RUNTIME_DIR/mrt9dx/COM1" ] || fail "the simulator placed no COM1 link"
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
