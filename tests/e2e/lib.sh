# Sourced by the end-to-end scripts, with the build directory as $1 and e2e_name
# set to the script's short name (the prefix of its messages and logs). It gives
# them:
# - build, and work: a folder of their own, removed at the end;
# - a data folder of their own in it (the companion's default store of records);
# - a runtime folder of their own in it, so that only the simulator's COM1 is
#   offered as a port and nothing of another run is seen;
# - start_sim: mrt9dx-sim as COM1, logging to $sim_log (in $e2e_logs, default
#   $work), the frames it receives as "RX 02 04 03  cmdReadPermIn";
# - fail: the message, then e2e_on_fail if the script defines it, then the logs;
# - the end of the simulator and of $tool_pid when the script ends.
build="$(cd "${1:?build directory}" && pwd)"
work="$(mktemp -d)"
export XDG_RUNTIME_DIR="$work/runtime"
# The companion's default store of records, kept out of the user's own data folder.
export XDG_DATA_HOME="$work/data"
mkdir -m 700 "$XDG_RUNTIME_DIR"
e2e_logs="${e2e_logs:-$work}"
sim_log="$e2e_logs/$e2e_name-sim.log"
tool_log="$e2e_logs/$e2e_name-tool.log"
rm -f "$sim_log" "$tool_log"

sim_pid=""
tool_pid=""
e2e_cleanup() {
    [ -n "$tool_pid" ] && kill "$tool_pid" 2>/dev/null || true
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap e2e_cleanup EXIT

fail() {
    echo "$e2e_name: $*" >&2
    if declare -F e2e_on_fail >/dev/null; then e2e_on_fail || true; fi
    echo "--- simulator log ---" >&2
    cat "$sim_log" >&2 || true
    if [ -s "$tool_log" ]; then
        echo "--- tool output ---" >&2
        cat "$tool_log" >&2
    fi
    exit 1
}

# Starts the simulator as COM1 with these options, in place of one running
# already, and waits for its link.
start_sim() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    "$build/bin/mrt9dx-sim" --com 1 "$@" >"$sim_log" 2>&1 &
    sim_pid=$!
    for _ in $(seq 1 100); do [ -e "$XDG_RUNTIME_DIR/mrt9dx/COM1" ] && return; sleep 0.1; done
    fail "the simulator placed no COM1 link"
}
