#!/usr/bin/env bash
# A calibration at the bench, with mrt9dx-cli and mrt9dx-sim as real processes
# over a pseudo-terminal. The simulated unit's sensor reads high and its DAC is
# off. This script plays the technician with a calibrator and a meter: it reads
# what the program asks, applies each signal named (through the simulator's
# control FIFO), presses Enter, and types the meter's reading when asked.
# One run: as found (fails), calibrate input and output, as left (passes), with
# the record holding both checks and the stored codes reaching the simulator.
set -euo pipefail
e2e_name=cli_calibration
source "$(dirname "$0")/lib.sh"
e2e_on_fail() {
    echo "--- the program's dialogue ---" >&2
    cat "$work/dialogue" >&2
}

mkfifo "$work/control"
start_sim --sensor-error 60,1.004 --dac-error 0.05,1.002 --meter "$work/meter" --control "$work/control"
exec 7<>"$work/control"

# The meter's reading, once the output has settled after the last change.
meter() {
    sleep 1
    awk '{print $1}' "$work/meter"
}

# Runs mrt9dx-cli with these arguments and answers its questions as the
# technician does, line by line; leaves its status in $status.
run() {
    local line pid
    rm -f "$work/to" "$work/from"
    mkfifo "$work/to" "$work/from"
    "$build/bin/mrt9dx-cli" -p COM1 "$@" <"$work/to" >"$work/from" 2>&1 &
    pid=$!
    exec 8>"$work/to" 9<"$work/from"
    while IFS= read -r line <&9; do
        echo "$line" >>"$work/dialogue"
        case "$line" in
        point\ *": apply "*)
            set -- $line
            echo "signal $4" >&7
            echo >&8
            ;;
        "input zero scale: apply 0 "*)
            echo "raw 0" >&7
            echo >&8
            ;;
        "input full scale: apply "*)
            set -- $line
            echo "raw $5" >&7
            echo >&8
            ;;
        "meter reading"* | step\ *"; meter reading"*)
            meter >&8
            ;;
        esac
    done
    exec 8>&- 9<&-
    status=0
    wait "$pid" || status=$?
}

: >"$work/dialogue"
run check --points 0,50,100 --meter --settle 5 --record "$work/found.json"
[ "$status" -eq 4 ] || fail "as found: status $status, not 4"
grep -q "^check: FAIL$" "$work/dialogue" || fail "as found: no FAIL"

run check --points 0,50,100 --meter --settle 5 --yes --switch-mode --record "$work/record.json" \
    --as-left-after input,output
[ "$status" -eq 0 ] || fail "as left after calibrate input,output: status $status, not 0"
grep -qE "^RX .*  cmdCalZero( |$)" "$sim_log" || fail "no cmdCalZero reached the simulator"
grep -qE "^RX .*  cmdCalFull( |$)" "$sim_log" || fail "no cmdCalFull reached the simulator"
grep -qE "^RX .*  cmdWriteOutZero( |$)" "$sim_log" || fail "no cmdWriteOutZero reached the simulator"
grep -qE "^RX .*  cmdWriteOutFull( |$)" "$sim_log" || fail "no cmdWriteOutFull reached the simulator"
python3 - "$work/record.json" <<'PY' || fail "the record: $(cat "$work/record.json")"
import json, sys
record = json.load(open(sys.argv[1]))
found, left = record["as_found"], record["as_left"]
assert found["verdict"] == "fail" and left["verdict"] == "pass", (found["verdict"], left["verdict"])
assert len(found["points"]) == 3 and len(left["points"]) == 3
PY
cat "$work/dialogue"
echo "cli_calibration: passed"
