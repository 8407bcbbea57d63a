#!/usr/bin/env bash
# The window as a Linux screen reader meets it: mrt9dx-config on an X server with
# the accessibility bus, against mrt9dx-sim, read and worked through AT-SPI by
# atspi_read.py. Run under xvfb-run; starts its own D-Bus session.
set -euo pipefail
build="$(cd "${1:?build directory}" && pwd)"
here="$(cd "$(dirname "$0")" && pwd)"
if [ -z "${MRT_ATSPI_SESSION:-}" ]; then
    MRT_ATSPI_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi
out="$build/e2e"
mkdir -p "$out"
export XDG_RUNTIME_DIR="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
unset QT_QPA_PLATFORMTHEME || true

sim_pid=""
tool_pid=""
cleanup() {
    [ -n "$tool_pid" ] && kill "$tool_pid" 2>/dev/null || true
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$XDG_RUNTIME_DIR"
}
trap cleanup EXIT
fail() {
    echo "atspi: $*" >&2
    exit 1
}

"$build/bin/mrt9dx-sim" --com 1 --reading 123.4 >"$out/atspi-sim.log" 2>&1 &
sim_pid=$!
for i in $(seq 1 50); do [ -e "$XDG_RUNTIME_DIR/mrt9dx/COM1" ] && break; sleep 0.1; done
"$build/bin/mrt9dx-config" >"$out/atspi-tool.log" 2>&1 &
tool_pid=$!

# The port dialog and full mode by keys, so that the switch can be worked.
dialog=$(timeout 20 xdotool search --sync --onlyvisible --name '^Select COM Port$' | head -n 1) || fail "no port dialog"
xdotool windowfocus --sync "$dialog"
xdotool key --delay 100 Tab space
main=$(timeout 20 xdotool search --sync --onlyvisible --name 'V1\.61' | head -n 1) || fail "no main window"
sleep 0.5
xdotool key ctrl+shift+alt+F6
question=$(timeout 10 xdotool search --sync --onlyvisible --name '^MRT9-DX Configuration & Calibration$' | head -n 1) ||
    fail "no full-mode question"
xdotool windowfocus --sync "$question"
xdotool key --delay 100 Tab space
sleep 0.5

/usr/bin/python3 "$here/atspi_read.py" "$out/atspi-sim.log"
