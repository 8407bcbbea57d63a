#!/usr/bin/env bash
# The package's screenshot: mrt9dx-config against mrt9dx-sim on the X server
# this runs on (xvfb-run), COM1 chosen in the port dialog, the window as it
# stands once the start-up reads are answered. Readings are held at one value,
# so that each build makes the same picture.
# Usage: screenshot.sh MRT9DX-CONFIG MRT9DX-SIM OUT.png
set -euo pipefail
tool_bin="$1" sim_bin="$2" out="$3"
export XDG_RUNTIME_DIR="$(mktemp -d)"
export QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME || true
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
    rm -rf "$XDG_RUNTIME_DIR"
}
trap cleanup EXIT
fail() {
    echo "screenshot: $*" >&2
    exit 1
}

"$sim_bin" --com 1 --quiet --reading 23.5 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 50); do [ -e "$XDG_RUNTIME_DIR/mrt9dx/COM1" ] && break; sleep 0.1; done
[ -e "$XDG_RUNTIME_DIR/mrt9dx/COM1" ] || fail "the simulator placed no COM1 link"
"$tool_bin" >/dev/null 2>&1 &
pids=($! "${pids[@]}")
dialog=$(timeout 20 xdotool search --sync --onlyvisible --name '^Select COM Port$' | head -n 1) ||
    fail "no port dialog"
xdotool windowfocus --sync "$dialog"
xdotool key --delay 100 Tab space
main=$(timeout 20 xdotool search --sync --onlyvisible --name ' V[0-9]' | head -n 1) || fail "no main window"
sleep 1
# The programmed output range, then the programmed input range: their R buttons
# (client coordinates; the window sits at 0,0 without a window manager).
eval "$(xdotool getwindowgeometry --shell "$main")"
for place in "632 94" "304 94"; do
    set -- $place
    xdotool mousemove --sync $((X + $1)) $((Y + $2)) click 1
    sleep 1
done
xdotool mousemove 0 0
sleep 1
import -window "$main" "$out.tmp.png"
mv "$out.tmp.png" "$out"
