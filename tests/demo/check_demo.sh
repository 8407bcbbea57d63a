#!/usr/bin/env bash
# scripts/demo without a display, as a newcomer reaches it over ssh: it runs in
# a process group of its own, as under an ssh session's terminal. Checked:
# - it listens on exactly the two addresses it prints, on 127.0.0.1 only;
# - its port dialog offers the simulator's COM1 alone, no real port;
# - the VNC port asks for a password; the web socket refuses a foreign origin
#   and takes the page's own;
# - through the page in headless Chromium the password is asked, the port
#   dialog shows with its caption, and Ctrl+Shift+Alt+F6 typed into the page
#   brings the window into full mode (its title ends with " (full)"); the wheel
#   and a right click on the background leave one desktop, open no menu and
#   leave the window in view;
# - a hang-up of the whole group (the ssh session cut) ends everything it
#   started, Xvfb included, with status 0; so does Ctrl+C on a second run,
#   started with a DISPLAY that no X server answers on, which it says in one
#   line before it runs as without a display.
# Screenshots land in <build>/demo-check/. Needs root or sudo for the packages.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/lib.sh"
mrt_install_packages "${MRT_DEMO_TOOLS[@]}" "${MRT_DEMO_CHECK[@]}"
out="$root/build/demo-check"
mkdir -p "$out"
rm -f "$out"/*.png "$out"/*.log
vnc_port="${MRT_VNC_PORT:-15900}"
web_port="${MRT_WEB_PORT:-16080}"
devtools_port=19222
export MRT_VNC_PORT="$vnc_port" MRT_WEB_PORT="$web_port"
demo_pid=""
browser_pid=""
profile="$(mktemp -d)"
cleanup() {
    [ -n "$browser_pid" ] && kill "$browser_pid" 2>/dev/null || true
    if [ -n "$demo_pid" ]; then
        # A demo that does not end on SIGTERM within 5 s is killed outright.
        kill -TERM -- "-$demo_pid" 2>/dev/null || true
        for _ in $(seq 1 20); do kill -0 -- "-$demo_pid" 2>/dev/null || break; sleep 0.25; done
        kill -KILL -- "-$demo_pid" 2>/dev/null || true
    fi
    wait 2>/dev/null || true
    rm -rf "$profile"
}
trap cleanup EXIT
fail() {
    echo "demo check: $*" >&2
    echo "--- demo output ---" >&2
    cat "$out/demo.log" >&2 || true
    exit 1
}

# Starts scripts/demo as the leader of a new process group, without a display
# or with the DISPLAY given; waits for its printed password.
start_demo() {
    (
        unset DISPLAY WAYLAND_DISPLAY
        [ -n "${1:-}" ] && export DISPLAY="$1"
        exec setsid "$root/scripts/demo"
    ) >"$out/demo.log" 2>&1 </dev/null &
    demo_pid=$!
    for _ in $(seq 1 600); do
        grep -q '^  Password' "$out/demo.log" && break
        kill -0 "$demo_pid" 2>/dev/null || fail "scripts/demo ended early"
        sleep 0.5
    done
    password="$(sed -n 's/^  Password.*: \([A-Za-z0-9]\{8\}\)$/\1/p' "$out/demo.log")"
    [ -n "$password" ] || fail "scripts/demo printed no password"
    # The demo's own X server, to look at its windows.
    local xvfb
    xvfb="$(pgrep -a -g "$demo_pid" Xvfb)" || fail "no Xvfb of the demo"
    demo_display="$(awk '{print $3}' <<<"$xvfb")"
    demo_auth="$(sed -n 's/.* -auth \([^ ]*\) .*/\1/p' <<<"$xvfb")"
    # Its private folder, the one that holds the X cookie. Folders of other
    # runs on this machine (one killed outright, say) are not this run's.
    demo_dir="$(dirname "$demo_auth")"
    [[ "$demo_dir" == /tmp/mrt9dx-demo.* ]] || fail "the X cookie is not in the demo's own folder: $demo_auth"
}

# Sends a signal to the demo's whole group, as a terminal does; the script must
# end with status 0 and leave no process of its group and no folder behind.
end_demo() {
    local signal="$1" status=0 left state
    kill "-$signal" -- "-$demo_pid"
    # Up to 30 s for it to end; a demo that hangs fails the check, not CI.
    for _ in $(seq 1 120); do
        state="$(ps -o stat= -p "$demo_pid" || true)"
        [[ -z "$state" || "$state" == Z* ]] && break
        sleep 0.25
    done
    [[ -z "$state" || "$state" == Z* ]] ||
        fail "30 s after SIG$signal scripts/demo still runs: $(ps -o pid=,args= -g "$demo_pid")"
    wait "$demo_pid" || status=$?
    [ "$status" = 0 ] || fail "scripts/demo ended with status $status after SIG$signal"
    sleep 0.5
    # Ended processes not yet reaped by init do not count.
    left="$(ps -eo pgid=,stat=,pid=,args= | awk -v g="$demo_pid" '$1 == g && $2 !~ /^Z/' || true)"
    [ -z "$left" ] || fail "after SIG$signal these are still running: $left"
    demo_pid=""
    [ ! -e "$demo_dir" ] || fail "after SIG$signal its folder $demo_dir is still there"
    echo "SIG$signal: scripts/demo ended with status 0, nothing of it left"
}

echo "== scripts/demo with the web page"
start_demo
echo "== ss -ltnp"
ss -ltnp | tee "$out/ss.log"
pids="$(pgrep -g "$demo_pid" | paste -sd'|')"
listening="$(ss -ltnpH | grep -E "pid=($pids)," | awk '{print $4}' | sort | paste -sd' ')"
[ "$listening" = "127.0.0.1:$vnc_port 127.0.0.1:$web_port" ] ||
    fail "the demo listens on '$listening', not on 127.0.0.1:$vnc_port and 127.0.0.1:$web_port alone"
echo "the demo listens on $listening only"

echo "== the ports its port dialog offers"
# The demo's runtime folder is beside its X server's cookie. The companion
# offers what the port dialog offers.
cmake --build "$root/build" --target mrt9dx-cli >/dev/null
ports="$(XDG_RUNTIME_DIR="$(dirname "$demo_auth")/run" "$root/build/bin/mrt9dx-cli" ports)"
echo "$ports"
[ "$(cut -f1 <<<"$ports")" = COM1 ] || fail "the demo's port dialog offers more than the simulator's COM1"

echo "== the VNC port's password and the web socket's origin"
/usr/bin/python3 - "$web_port" "$vnc_port" <<'EOF' || fail "the VNC password or the web socket's origin check"
import socket, sys, websocket
port, vnc_port = sys.argv[1], int(sys.argv[2])
# A VNC viewer is offered VNC authentication (2) alone, never None (1).
with socket.create_connection(("127.0.0.1", vnc_port), timeout=5) as vnc:
    version = vnc.recv(12)
    vnc.sendall(version)
    count = vnc.recv(1)[0]
    types = list(vnc.recv(count))
assert types == [2], f"the VNC port offers security types {types}"
print("the VNC port asks for the password")
def opens(origin):
    try:
        websocket.create_connection(f"ws://127.0.0.1:{port}/websockify", origin=origin,
                                    subprotocols=["binary"], timeout=5).close()
        return True
    except Exception:
        return False
assert not opens("http://attacker.example"), "a foreign origin was let in"
assert opens(f"http://localhost:{port}"), "the page's own origin was refused"
print("a foreign origin is refused; the page's own is let in")
EOF

echo "== the page in headless Chromium"
# A browser window of 1280 x 600, which the unscaled 1024 x 768 screen overflows;
# twice the pixels per point, so that the scaled-down screen stays legible.
chromium --headless=new --no-sandbox --disable-gpu --user-data-dir="$profile" --window-size=1280,600 \
    --force-device-scale-factor=2 \
    --remote-debugging-port="$devtools_port" about:blank >"$out/chromium.log" 2>&1 &
browser_pid=$!
for _ in $(seq 1 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$devtools_port") 2>/dev/null && break
    sleep 0.2
done
DISPLAY="$demo_display" XAUTHORITY="$demo_auth" /usr/bin/python3 "$root/tests/demo/drive_page.py" "$devtools_port" \
    "http://localhost:$web_port/vnc.html?autoconnect=true&resize=scale" "$password" "$out" ||
    fail "driving the page"
# The title as the window manager shows it, read on the demo's own X server.
title="$(DISPLAY="$demo_display" XAUTHORITY="$demo_auth" xdotool search --name ' V[0-9]' getwindowname)"
echo "window title: $title"
[[ "$title" == *" (full)" ]] || fail "the keys typed into the page did not bring full mode"

echo "== the ssh session cut: SIGHUP to the demo's process group"
end_demo HUP
pgrep -a Xvfb || true

echo "== Ctrl+C: SIGINT to a second run (VNC only), started on a DISPLAY that leads nowhere"
# No X server answers on :55 here: the demo says so in one line and runs as
# without a display.
[ ! -e /tmp/.X11-unix/X55 ] || fail "display :55 exists on this machine"
MRT_NO_WEB=1 start_demo :55
grep -x 'DISPLAY=:55 cannot be reached (no X server answers there): the demo runs without a display.' \
    "$out/demo.log" || fail "scripts/demo did not say that DISPLAY=:55 cannot be reached"
end_demo INT
echo "demo check: passed"
