#!/usr/bin/env bash
# The store of calibration records, with mrt9dx-cli and two mrt9dx-sim units
# (COM1 and COM2) as real processes, once on SQLite and once on a real
# PostgreSQL server started here in a temporary folder on a unix socket: three
# checks of two units (the first unit's sensor drifting between its two runs),
# then two checks at once that must get different certificate numbers. Every
# stored record must hold to the schema; records, due and history must show
# what the runs did. With $1 a build directory and $2 (optional) a folder for
# the transcripts and certificates.
set -euo pipefail
e2e_name=cli_store
e2e_logs="${2:-}"
source "$(dirname "$0")/lib.sh"
[ -n "$e2e_logs" ] || e2e_logs="$work"
mkdir -p "$e2e_logs"
cli="$build/bin/mrt9dx-cli"
schema="$(dirname "$0")/../../cli/calibration-record.schema.json"
pg_bin=/usr/lib/postgresql/15/bin
pg_dir=""

pg_stop() {
    [ -z "$pg_dir" ] || as_pg "$pg_bin/pg_ctl" -D "$pg_dir/data" -m immediate stop >/dev/null 2>&1 || true
}
sim2_pid=""
trap 'pg_stop; [ -z "$sim2_pid" ] || kill "$sim2_pid" 2>/dev/null; e2e_cleanup' EXIT
e2e_on_fail() {
    for f in "$work"/dialogue*; do echo "--- $f ---" >&2; cat "$f" >&2; done
    [ -z "$pg_dir" ] || { echo "--- postgresql log ---" >&2; cat "$pg_dir/log" >&2; }
}

# PostgreSQL refuses to run as root: as root the server runs as nobody.
as_pg() {
    if [ "$(id -u)" -eq 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi
}

# The second unit, COM2, beside start_sim's COM1; each with a control FIFO.
mkfifo "$work/control1" "$work/control2"
start_sim --control "$work/control1" --sensor-error 30,1.001
"$build/bin/mrt9dx-sim" --com 2 --control "$work/control2" --sensor-error -40,0.998 >"$work/sim2.log" 2>&1 &
sim2_pid=$!
for _ in $(seq 1 100); do [ -e "$XDG_RUNTIME_DIR/mrt9dx/COM2" ] && break; sleep 0.1; done
exec 5<>"$work/control1" 6<>"$work/control2"

# A check on COM$1 as the technician does it: each value the program names is
# applied through that unit's control FIFO and Enter pressed. Standard output
# goes to $work/out$1, the dialogue to $work/dialogue$1; the status to $work/status$1.
technician() {
    local com=$1 line w r pid
    shift
    rm -f "$work/to$com" "$work/from$com"
    mkfifo "$work/to$com" "$work/from$com"
    (
        status=0
        "$cli" -p "COM$com" check --points 0,50,100 --settle 5 "$@" <"$work/to$com" 2>"$work/from$com" \
            >"$work/out$com" || status=$?
        echo "$status" >"$work/status$com"
    ) &
    pid=$!
    exec {w}>"$work/to$com" {r}<"$work/from$com"
    while IFS= read -r line <&$r; do
        echo "$line" >>"$work/dialogue$com"
        case "$line" in
        point\ *": apply "*)
            set -- $line
            echo "signal $4" >"$work/control$com"
            echo >&$w
            ;;
        esac
    done
    exec {w}>&- {r}<&-
    wait "$pid"
}

# The certificate number of the record in $work/out$1 (check --json).
number_of() {
    python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["certificate"]["number"])' "$work/out$1"
}

# The command line, then what it printed, into the file $1.
transcript() {
    local file=$1
    shift
    { echo "\$ mrt9dx-cli $*"; "$cli" "$@"; } >"$file"
}

bench="$work/bench.json"
cat >"$bench" <<EOF
{"organisation": "Test laboratory", "location": "Bench 1", "references": [
 {"role": "input_calibrator", "identification": "calibrator 4711", "certificate": "CAL-1",
  "traceable_to": "national standards", "due": "2999-12-31", "uncertainty": 0.3, "uncertainty_unit": "°C"}]}
EOF

# The three runs, two at once, and the checks of what the store then shows.
fill_and_check() {
    local name=$1 store=$2 n1 n2 numbers pids=()
    rm -f "$work"/dialogue*
    # Several programs creating the schema of an empty store at once (a SQLite
    # file must be there for a command that only reads).
    case $store in postgresql:*) ;; *) : >"$store" ;; esac
    for i in 1 2 3 4; do
        "$cli" records --store "$store" >"$work/first$i" 2>&1 &
        pids+=($!)
    done
    for i in 1 2 3 4; do
        wait "${pids[i - 1]}" || fail "$name: a first use of the store beside others failed: $(cat "$work/first$i")"
    done

    echo "sensor-error 30,1.001" >&5
    technician 1 --unit TT-101 --interval 365 --json --store "$store"
    echo "sensor-error 45,1.002" >&5 # the sensor drifted
    technician 1 --unit TT-101 --interval 365 --json --store "$store" --bench "$bench" \
        --certificate "$e2e_logs/$name-certificate-history.html"
    technician 2 --unit TT-102 --customer "Plant 4" --interval 20 --json --store "$store"
    # 0 passed, 1 refused, 4 out of tolerance; 3 would be a record the store did not take.
    statuses_kept() {
        local com
        for com in 1 2; do
            case "$(cat "$work/status$com")" in 0 | 1 | 4) ;; *) fail "$name: a check on COM$com ended with $(cat "$work/status$com")" ;; esac
        done
    }
    statuses_kept
    transcript "$e2e_logs/$name-records.txt" records --store "$store"
    transcript "$e2e_logs/$name-due.txt" due --within 30 --store "$store"
    transcript "$e2e_logs/$name-history.txt" history TT-101 --store "$store"
    [ "$(grep -c '^MRT-' "$e2e_logs/$name-records.txt")" -eq 3 ] || fail "$name: records: $(cat "$e2e_logs/$name-records.txt")"
    grep -q "^TT-102: due .*, in 20 days" "$e2e_logs/$name-due.txt" || fail "$name: due: $(cat "$e2e_logs/$name-due.txt")"
    grep -q "TT-101" "$e2e_logs/$name-due.txt" && fail "$name: due lists TT-101, due in a year"
    python3 - "$store" "$cli" <<'PY' || fail "$name: history: $(cat "$e2e_logs/$name-history.txt")"
import json, subprocess, sys
history = json.loads(subprocess.check_output([sys.argv[2], "history", "TT-101", "--json", "--store", sys.argv[1]]))
assert len(history) == 2, history
first, second = history
assert first["drift"] is None and second["drift"] is not None, history
# The sensor now reads 15 µV and 0.1 % higher: the drift is the second as-found minus the first as-left.
assert abs(second["drift"] - (second["as_found"] - first["as_left"])) < 1e-3 and second["drift"] > 0, history
PY
    grep -q "History of the unit" "$e2e_logs/$name-certificate-history.html" ||
        fail "$name: the certificate of the second run has no history"

    # Two benches at once: two numbers.
    echo "sensor-error 30,1.001" >&5
    technician 1 --unit TT-101 --json --store "$store" &
    pids=($!)
    technician 2 --unit TT-102 --json --store "$store" &
    wait "${pids[0]}" $!
    statuses_kept
    n1=$(number_of 1)
    n2=$(number_of 2)
    [ -n "$n1" ] && [ -n "$n2" ] && [ "$n1" != "$n2" ] || fail "$name: two runs at once got $n1 and $n2"
    echo "two runs at once on $name: COM1 $n1, COM2 $n2" | tee "$e2e_logs/$name-concurrent.txt"

    # Every stored record holds to the schema; the certificate issued again from one.
    numbers=$("$cli" records --json --store "$store" | python3 -c 'import json,sys; print(" ".join(r["certificate"] for r in json.load(sys.stdin)))')
    [ "$(wc -w <<<"$numbers")" -eq 5 ] || fail "$name: five runs, numbers $numbers"
    for n in $numbers; do "$cli" records show "$n" --store "$store" >"$work/record-$n.json"; done
    python3 - "$schema" "$work"/record-*.json <<'PY' || fail "$name: a stored record does not hold to the schema"
import json, sys, jsonschema
schema = json.load(open(sys.argv[1]))
for name in sys.argv[2:]:
    jsonschema.Draft202012Validator(schema).validate(json.load(open(name)))
PY
    n2=$(grep '^MRT-' "$e2e_logs/$name-records.txt" | sed -n 2p | cut -d' ' -f1)
    "$cli" records certificate "$n2" -o "$work/again.html" --store "$store" >/dev/null
    grep -q "$n2" "$work/again.html" && grep -q "History of the unit" "$work/again.html" ||
        fail "$name: the certificate of $n2 issued again from the store"
    echo "$name: $(tr '\n' ' ' <<<"$numbers")"
}

fill_and_check sqlite "$work/records.sqlite"

# PostgreSQL: a server of our own in the temporary folder, reached on its unix socket.
pg_dir="$work/pg"
mkdir "$pg_dir"
chmod 711 "$work"
[ "$(id -u)" -ne 0 ] || chown nobody "$pg_dir"
as_pg "$pg_bin/initdb" -D "$pg_dir/data" -U bench --auth=trust >"$pg_dir/initdb.log" 2>&1 || fail "initdb: $(cat "$pg_dir/initdb.log")"
as_pg "$pg_bin/pg_ctl" -D "$pg_dir/data" -l "$pg_dir/log" -w \
    -o "-k $pg_dir -c listen_addresses= -c fsync=off" start >/dev/null || fail "the PostgreSQL server did not start"
as_pg "$pg_bin/createdb" -h "$pg_dir" -U bench records
fill_and_check postgresql "postgresql://bench@localhost/records?host=$pg_dir"
echo "cli_store: passed"
