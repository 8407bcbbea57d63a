#!/usr/bin/env bash
# Runs the fuzz target for a while on a fresh copy of the seed corpus.
#   run_fuzz.sh FUZZER SEED_DIR WORK_DIR SECONDS [more libFuzzer options]
# Whatever it finds is written to WORK_DIR/artifacts/ and the run fails.
set -euo pipefail
fuzzer="$1" seeds="$2" work="$3" seconds="$4"
shift 4
rm -rf "$work/corpus"
mkdir -p "$work/corpus" "$work/artifacts"
cp -r "$seeds"/. "$work/corpus/"
export QT_QPA_PLATFORM=offscreen
# A small quarantine and short allocation stacks keep a 10-minute run under
# 250 MB (the stacks of the allocations grow with the corpus's variety; replay a
# finding with ASAN_OPTIONS=malloc_context_size=30 for whole ones). A leak is
# looked for at the end of the run, not after every input: the window's caches
# make that check run on most inputs, at a tenth of the speed.
export ASAN_OPTIONS="${ASAN_OPTIONS:-halt_on_error=1:abort_on_error=1:detect_leaks=1:quarantine_size_mb=8:malloc_context_size=4}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:abort_on_error=1:print_stacktrace=1}"
supp="$(dirname "$0")/../lsan.supp"
[ -f "$supp" ] && export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$supp:print_suppressions=0}"
exec "$fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=1024 -malloc_limit_mb=256 -max_len=512 \
    -detect_leaks=0 -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$@" "$work/corpus"
