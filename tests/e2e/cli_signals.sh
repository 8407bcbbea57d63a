#!/usr/bin/env bash
# mrt9dx-cli against mrt9dx-sim as real processes, stopped by real signals:
# SIGINT, SIGTERM, SIGHUP and SIGQUIT while apply programs a unit each let it
# run to its verdict, with both programming steps reaching the simulator, and
# end it with 128 plus the signal's number; a second signal ends at once; Ctrl+C
# in a shell loop over three units stops the loop; a signal while the settings file is read ends the run with
# nothing sent; a failed write to standard output is status 5, a file of
# endless bytes is refused; the completion offers the commands, their
# options and the ports without opening a device.
set -euo pipefail
set -m # background jobs keep SIGINT, as from a terminal
e2e_name=cli_signals
source "$(dirname "$0")/lib.sh"
source="$(cd "$(dirname "$0")/../.." && pwd)"
cli="$build/bin/mrt9dx-cli"

# The loop's second and third simulators end with the script, passed or failed.
extra_sims=()
e2e_on_fail() { [ ${#extra_sims[@]} -eq 0 ] || kill "${extra_sims[@]}" 2>/dev/null; }

# Waits up to 10 s for a command name in the simulator's log of received frames.
await_rx() {
    for _ in $(seq 100); do grep -qE "^RX .*  $1( |$)" "$sim_log" && return; sleep 0.1; done
    fail "no $1 reached the simulator"
}

cat >"$work/unit.json" <<'JSON'
{"input": {"range": "Pt100 (385)", "wiring": "3 wire", "eu_min": -100.0, "eu_max": 600.0},
 "output": {"range": "0-20 mA", "min": 4.0, "max": 20.0, "invert": false, "alarm_limit": 250.0,
            "dead_band": 5.0, "alarm_enabled": true, "alarm_low": false}}
JSON

# One signal once the input step is on the line: the verdict still comes.
for signal in INT TERM HUP QUIT; do
    start_sim --delay 400
    "$cli" -p COM1 apply "$work/unit.json" >"$work/out" 2>&1 &
    pid=$!
    await_rx cmdSetPermIn
    kill -s "$signal" "$pid"
    status=0
    wait "$pid" || status=$?
    [ "$status" -eq $((128 + $(kill -l "$signal"))) ] || fail "SIG$signal during apply: status $status: $(cat "$work/out")"
    grep -q "^applied, read back the same$" "$work/out" || fail "SIG$signal: $(cat "$work/out")"
    grep -q "^mrt9dx-cli: SIG$signal: stopping after the step in flight" "$work/out" || fail "SIG$signal: $(cat "$work/out")"
    grep -qE "^RX .*  cmdSetPermOut( |$)" "$sim_log" || fail "SIG$signal: the output step was not sent"
done

# A second signal ends a port waiting for an answer at once.
start_sim --silent
"$cli" -p COM1 version >"$work/out" 2>&1 &
pid=$!
await_rx cmdReadVersion
kill -s HUP "$pid"
sleep 0.3
kill -s TERM "$pid"
status=0
wait "$pid" || status=$?
[ "$status" -eq 129 ] || fail "two signals: status $status"
grep -q "SIGTERM, a second signal: ended at once; what was on the line may be half-done on COM1" "$work/out" ||
    fail "two signals: $(cat "$work/out")"
grep -q "stopped while waiting for the answer to cmdReadVersion" "$work/out" || fail "two signals: $(cat "$work/out")"

# Ctrl+C in a shell loop over three units while the second is programmed: the
# terminal sends SIGINT to the loop's whole process group; the second unit
# gets its verdict, the loop stops, the third unit receives nothing.
start_sim --delay 400
for n in 2 3; do
    "$build/bin/mrt9dx-sim" --com "$n" --delay 400 >"$work/sim$n.log" 2>&1 &
    extra_sims+=($!)
done
for _ in $(seq 100); do [ -e "$XDG_RUNTIME_DIR/mrt9dx/COM3" ] && [ -e "$XDG_RUNTIME_DIR/mrt9dx/COM2" ] && break; sleep 0.1; done
bash -c 'for p in COM1 COM2 COM3; do "$1" -p "$p" apply "$2"; done; echo "loop went on"' _ "$cli" "$work/unit.json" >"$work/loop" 2>&1 &
loop=$!
for _ in $(seq 200); do grep -qE "^RX .*  cmdSetPermIn( |$)" "$work/sim2.log" && break; sleep 0.05; done
kill -s INT -- "-$loop"
status=0
wait "$loop" || status=$?
sleep 1
kill "${extra_sims[@]}"
wait "${extra_sims[@]}" 2>/dev/null || true
extra_sims=()
echo "loop: status $status"; cat "$work/loop"
for n in 2 3; do echo "--- COM$n received:"; grep "^RX" "$work/sim$n.log" || true; done
[ "$status" -eq 130 ] || fail "Ctrl+C in a loop: status $status: $(cat "$work/loop")"
! grep -q "loop went on" "$work/loop" || fail "Ctrl+C in a loop: the loop went on"
grep -qE "^RX .*  cmdSetPermOut( |$)" "$work/sim2.log" || fail "Ctrl+C in a loop: the second unit was left half-programmed"
! grep -q "^RX" "$work/sim3.log" || fail "Ctrl+C in a loop: the third unit received requests"

# A signal while the settings file is still coming ends the run, nothing sent.
start_sim
mkfifo "$work/fifo"
"$cli" -p COM1 apply - <"$work/fifo" >"$work/out" 2>&1 &
pid=$!
exec 3>"$work/fifo"
sleep 0.5
kill -s INT "$pid"
status=0
wait "$pid" || status=$?
exec 3>&-
[ "$status" -ne 0 ] || fail "SIGINT while reading the file: status 0"
sleep 0.5
! grep -q "^RX" "$sim_log" || fail "SIGINT while reading the file: a request was sent"

# Standard output that takes nothing: one line on standard error, status 5.
status=0
"$cli" -p COM1 dump >/dev/full 2>"$work/err" || status=$?
[ "$status" -eq 5 ] || fail "dump > /dev/full: status $status"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "dump > /dev/full: $(cat "$work/err")"

# Closed standard descriptors are /dev/null to the program: a closed standard
# input is an empty settings file, a closed standard output takes the result.
status=0
"$cli" -p COM1 apply - <&- >"$work/out" 2>&1 || status=$?
[ "$status" -eq 2 ] && grep -q "^mrt9dx-cli: -: line 1, column 1: " "$work/out" ||
    fail "apply - <&-: status $status: $(cat "$work/out")"
status=0
"$cli" -p COM1 version >&- 2>"$work/err" || status=$?
[ "$status" -eq 0 ] && [ ! -s "$work/err" ] || fail "version >&-: status $status: $(cat "$work/err")"

# -v means the same in all three programs: nothing (only --version prints the version).
for program in mrt9dx-cli mrt9dx-sim mrt9dx-config; do
    ! "$build/bin/$program" -v >/dev/null 2>&1 || fail "$program -v was taken"
    [ "$("$build/bin/$program" --version)" = "$program $("$cli" --version | cut -d' ' -f2)" ] ||
        fail "$program --version"
done

# A file larger than any settings file is refused unread, in one line.
status=0
"$cli" -p COM1 apply /dev/zero >/dev/null 2>"$work/err" || status=$?
[ "$status" -eq 2 ] && [ "$(cat "$work/err")" = "mrt9dx-cli: /dev/zero: larger than 64 KiB, more than any settings file" ] ||
    fail "apply /dev/zero: status $status: $(cat "$work/err")"

# The completion: what a Tab offers after each line, from the program's own
# help and, after -p, the runtime folder's links; completing opens no device.
[ -f /usr/share/bash-completion/bash_completion ] || fail "bash-completion is not installed"
command -v strace >/dev/null || fail "strace is not installed"
{
    PATH="$build/bin:$PATH" strace -f -qq -e trace=openat -o "$work/completion.trace" bash -c '
        source /usr/share/bash-completion/bash_completion
        source "$1"
        while IFS= read -r line; do
            COMP_LINE=$line COMP_POINT=${#line}
            read -ra COMP_WORDS <<<"$line"
            [[ $line == *" " ]] && COMP_WORDS+=("")
            COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMPREPLY=()
            _mrt9dx_cli
            echo "$line|${COMPREPLY[*]}"
        done' _ "$source/cli/mrt9dx-cli.bash-completion" >"$work/completion" <<'LINES'
mrt9dx-cli ch
mrt9dx-cli -p COM1 ve
mrt9dx-cli -p COM1
mrt9dx-cli --port=COM1
mrt9dx-cli -p COM1 calibrate 
mrt9dx-cli calibrate --s
mrt9dx-cli check --as-left-after 
mrt9dx-cli dump --j
mrt9dx-cli version --r
mrt9dx-cli --json -p COM1 apply --ch
mrt9dx-cli apply --expect-version 
mrt9dx-cli watch --l
mrt9dx-cli dump --o
mrt9dx-cli records 
mrt9dx-cli due --w
LINES
    cat "$work/completion"
    diff -u - "$work/completion" <<'OFFERED' || fail "the completion offered other words"
mrt9dx-cli ch|check
mrt9dx-cli -p COM1 ve|version verify
mrt9dx-cli -p COM1|COM1
mrt9dx-cli --port=COM1|COM1
mrt9dx-cli -p COM1 calibrate |input output input,output
mrt9dx-cli calibrate --s|--settle --store --switch-mode
mrt9dx-cli check --as-left-after |input output input,output
mrt9dx-cli dump --j|--json
mrt9dx-cli version --r|--retries
mrt9dx-cli --json -p COM1 apply --ch|--changed-only
mrt9dx-cli apply --expect-version |
mrt9dx-cli watch --l|--long
mrt9dx-cli dump --o|--output
mrt9dx-cli records |show certificate
mrt9dx-cli due --w|--within
OFFERED
    if grep -E 'openat\(.*"(/dev/(tty[^"]|pts/)|[^"]*/mrt9dx/COM)' "$work/completion.trace"; then
        fail "completing opened a serial device"
    fi
}
echo "cli_signals: all passed"
