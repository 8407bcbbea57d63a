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
    sleep 0.6
    awk '{print $1}' "$work/meter"
}

# Runs mrt9dx-cli with these arguments and answers its questions as the
# technician does, line by line; leaves its status in $status. At the first
# line that holds $stop_at it presses Ctrl+C instead of answering; at $silent_at
# the unit drops the next request; at $pull_at the port goes away (the
# simulator ends). With $rig_delay the calibrator is a rig that applies each
# value that many seconds after the program names it, and nobody presses Enter.
run() {
    local line pid acted=""
    rm -f "$work/to" "$work/from"
    mkfifo "$work/to" "$work/from"
    (
        [ -z "${limit_kb:-}" ] || ulimit -f "$limit_kb"
        # With $json_out, standard output (the record alone) goes there and the dialogue on.
        [ -z "${json_out:-}" ] || exec "$build/bin/mrt9dx-cli" -p COM1 "$@" 2>&1 >"$json_out"
        exec "$build/bin/mrt9dx-cli" -p COM1 "$@"
    ) <"$work/to" >"$work/from" 2>&1 &
    pid=$!
    exec 8>"$work/to" 9<"$work/from"
    while IFS= read -r line <&9; do
        echo "$line" >>"$work/dialogue"
        if [ -z "$acted" ]; then
            case "$line" in
            *"${stop_at:-}"*) [ -n "${stop_at:-}" ] && { acted=1; kill -INT "$pid"; continue; } ;;
            esac
            case "$line" in
            *"${silent_at:-}"*) [ -n "${silent_at:-}" ] && { acted=1; echo silent >&7; } ;;
            esac
            case "$line" in
            *"${pull_at:-}"*) [ -n "${pull_at:-}" ] && { acted=1; kill "$sim_pid"; wait "$sim_pid" || true; continue; } ;;
            esac
        fi
        local enter=echo
        [ -n "${rig_delay:-}" ] && enter=:
        case "$line" in
        point\ *": apply "*)
            set -- $line
            (sleep "${rig_delay:-0}"; echo "signal $4" >&7) &
            $enter >&8
            ;;
        "input zero scale: apply 0 "*)
            (sleep "${rig_delay:-0}"; echo "raw 0" >&7) &
            $enter >&8
            ;;
        "input full scale: apply "*)
            set -- $line
            (sleep "${rig_delay:-0}"; echo "raw $5" >&7) &
            $enter >&8
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

# What the unit holds now, as `read --active` shows it: its mode, and its output
# at two signals (it follows the input when the two differ).
unit_state() {
    local out1 out2 mode follows
    echo "signal 0" >&7; sleep 1.5
    out1=$("$build/bin/mrt9dx-cli" -p COM1 read --active | sed -n 's/^Output: //p')
    echo "signal 1000" >&7; sleep 1.5
    out2=$("$build/bin/mrt9dx-cli" -p COM1 read --active | sed -n 's/^Output: //p')
    mode=$("$build/bin/mrt9dx-cli" -p COM1 read --active | sed -n 's/^Mode: //p')
    if [ "$out1" = "$out2" ]; then follows="held"; else follows="follows the input"; fi
    echo "$mode, output $out1 at 0 °C, $out2 at 1000 °C: $follows"
}

# The last request the simulator received, by name.
last_sent() {
    sed -n 's/^RX [0-9A-F ]*  \(cmd[A-Za-z]*\).*/\1/p' "$sim_log" | tail -n 1
}

# Every record the runs write must hold to the schema the package installs.
schema="$(dirname "$0")/../../cli/calibration-record.schema.json"
valid_record() {
    python3 - "$schema" "$@" <<'PY' || fail "a record does not hold to the schema: $*"
import json, sys, jsonschema
schema = json.load(open(sys.argv[1]))
for name in sys.argv[2:]:
    jsonschema.Draft202012Validator(schema).validate(json.load(open(name)))
PY
}

record_status() {
    python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); print(r["status"], "-", r.get("reason"))' "$1"
}

: >"$work/dialogue"
: >"$work/ends"
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
valid_record "$work/found.json" "$work/record.json"

# The bench: a certificate is refused before anything is sent when a reference
# it names is past its due date.
bench() { # the input calibrator's due date
    cat <<EOF
{"organisation": "Test laboratory", "location": "Bench 1", "decision_rule": "guard-band", "references": [
 {"role": "input_calibrator", "identification": "calibrator 4711", "certificate": "CAL-1",
  "traceable_to": "national standards", "due": "$1", "uncertainty": 0.3, "uncertainty_unit": "°C"},
 {"role": "output_meter", "identification": "meter 42", "certificate": "CAL-2", "due": "2999-12-31",
  "uncertainty": 2, "uncertainty_unit": "mV"}]}
EOF
}
bench 2000-01-31 >"$work/old-bench.json"
bench 2999-12-31 >"$work/bench.json"
sent_before=$(grep -c '^RX' "$sim_log")
run check --meter --bench "$work/old-bench.json" --unit TT-101 --certificate "$work/refused.html"
[ "$status" -eq 2 ] || fail "a reference past its due date: status $status, not 2"
grep -q "input_calibrator calibrator 4711 was due for calibration on 2000-01-31.*nothing was sent" "$work/dialogue" ||
    fail "a reference past its due date: not named"
[ "$(grep -c '^RX' "$sim_log")" -eq "$sent_before" ] || fail "a reference past its due date: something was sent"
[ ! -e "$work/refused.html" ] || fail "a reference past its due date: a certificate was written"

# The certificate at 5 points, calibrated between, and --json: the record alone on standard output.
start_sim --sensor-error 60,1.004 --dac-error 0.05,1.002 --meter "$work/meter" --control "$work/control"
json_out="$work/five.json" run check --meter --settle 5 --yes --switch-mode --bench "$work/bench.json" \
    --unit TT-101 --customer "Plant 4" --interval 365 --certificate-number C-2026-0005 --json \
    --certificate "$e2e_logs/certificate-5.html" --record "$work/five-record.json" --as-left-after input,output
[ "$status" -eq 0 ] || fail "the 5-point certificate: status $status, not 0"
cmp -s <(python3 -m json.tool "$work/five.json") <(python3 -m json.tool "$work/five-record.json") ||
    fail "--json: standard output is not the record: $(head -c 300 "$work/five.json")"
valid_record "$work/five.json"
# Up and down at 21 points, % of reading and of span: the hysteresis at each point met twice.
run check --settle 5 --points 0,10,20,30,40,50,60,70,80,90,100,90,80,70,60,50,40,30,20,10,0 \
    --tolerance 0.1%rdg+0.05%span --bench "$work/bench.json" --unit TT-101 \
    --certificate-number C-2026-0021 --certificate "$e2e_logs/certificate-21.html" --record "$work/21.json"
valid_record "$work/21.json"
python3 - "$work/21.json" <<'PY' || fail "21 points: $(cat "$work/21.json")"
import json, sys
check = json.load(open(sys.argv[1]))["as_found"]
assert len(check["points"]) == 21 and len(check["hysteresis"]) == 10, check["hysteresis"]
assert {h["percent"] for h in check["hysteresis"]} == set(range(0, 100, 10))
PY
for shown in "C-2026-0021" "TT-101" "calibrator 4711" "2999-12-31" "TA " "guard band" "counter(pages)"; do
    grep -q "$shown" "$e2e_logs/certificate-21.html" || fail "the certificate does not show $shown"
done

# A rig that applies each value 0.8 s after it is named: every point waits for
# its value, and the input calibration is written on the values applied.
start_sim --sensor-error 60,1.004 --meter "$work/meter" --control "$work/control"
printf '%s\n' -200 193 586 979 1372 >"$work/applied"
rig_delay=0.8 run check --applied "$work/applied" --record "$work/rig.json"
[ "$status" -eq 4 ] || fail "a rig 0.8 s late: status $status, not 4 (the sensor reads high)"
python3 - "$work/rig.json" <<'PY' || fail "a rig 0.8 s late: $(cat "$work/rig.json")"
import json, sys
points = json.load(open(sys.argv[1]))["as_found"]["points"]
for p in points:  # each point read at its own value: the sensor's 0.4 % and 60 µV, not the last point's
    assert p["reached"] and abs(p["read"] - p["applied"]) < 10, p
PY
valid_record "$work/rig.json"
printf '%s\n' 0 54886 >"$work/applied"
rig_delay=0.8 run calibrate input --switch-mode --yes --applied "$work/applied"
[ "$status" -eq 0 ] || fail "calibrate input with a rig 0.8 s late: status $status, not 0"
echo "signal 1372" >&7
sleep 1.5
eng=$("$build/bin/mrt9dx-cli" -p COM1 read --active | sed -n 's/^Eng: \([-0-9.]*\).*/\1/p')
python3 -c "import sys; sys.exit(abs(float('$eng') - 1372) > 0.5)" ||
    fail "calibrate input with a rig 0.8 s late: reads $eng °C at 1372 °C"
echo "rig 0.8 s late: 1372 °C reads $eng °C after the calibration" | tee -a "$work/ends"

# However a trim ends, the unit is left as a plant needs it: the DAC released,
# back in RUN mode, and a record of what was done. One row each: the end, the
# status, the last request the unit received, what it holds afterwards, the record.
end_row() {
    local name=$1 want=$2
    shift 2
    echo '{"record": "the record of the last run"}' >"$work/end.json"
    run calibrate output --switch-mode --yes --record "$work/end.json" "$@"
    local last state
    last=$(last_sent)
    if kill -0 "$sim_pid" 2>/dev/null; then state=$(unit_state); else state="(no unit on the port)"; fi
    printf '%-22s status %s, last sent %-14s %s; record: %s\n' "$name" "$status" "$last" "$state" \
        "$(record_status "$work/end.json" 2>/dev/null || echo "kept the old one")" | tee -a "$work/ends"
    [ "$status" -eq "$want" ] || fail "$name: status $status, not $want"
    grep -q '"the record of the last run"' "$work/end.json" || valid_record "$work/end.json"
    tail -n 3 "$work/dialogue" | grep -q "nothing was written\|written: " || fail "$name: no last line of what was written"
}
sim_again() { start_sim --dac-error 0.05,1.002 --meter "$work/meter" --control "$work/control" "$@"; }

sim_again
stop_at="step 2: DAC code" end_row "Ctrl+C at a trim step" 130

sim_again --refuse 17
end_row "refused store" 1

sim_again
silent_at="step 2: DAC code" end_row "silent unit" 3

sim_again
pull_at="step 2: DAC code" end_row "port pulled" 3
grep -q "may still be held" "$work/dialogue" || fail "port pulled: the last line does not say what was not put back"

sim_again
limit_kb=1 end_row "full disk (the record)" 3
grep -q '"the record of the last run"' "$work/end.json" || fail "full disk: the old record was not kept"
ls "$work"/end.json.* 2>/dev/null && fail "full disk: a half-written file stayed beside the record"

for row in "Ctrl+C" "refused store" "silent unit"; do
    grep "^$row" "$work/ends" | grep -q "last sent cmdSetMode.*RUN, output.*follows the input" ||
        fail "$row: the unit was not put back: $(grep "^$row" "$work/ends")"
done
cat "$work/ends"
cat "$work/dialogue"
echo "cli_calibration: passed"
