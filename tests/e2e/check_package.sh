#!/usr/bin/env bash
# The Debian package end to end: scripts/package builds it; lintian,
# desktop-file-validate and appstreamcli check it; apt-get installs it; the
# installed mrt9dx-cli reads the installed mrt9dx-sim, and the installed
# mrt9dx-config starts against it. The package is removed again afterwards
# unless it was installed before. Needs root or sudo.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

deb="$("$root/scripts/package" | tail -n 1)"
echo "package: $deb"
work="$(mktemp -d)"
sim_pid=""
installed_before=0
dpkg-query -W -f='${Status}' mrt9dx 2>/dev/null | grep -q 'install ok installed' && installed_before=1
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$work"
    if [ "$installed_before" = 0 ] && dpkg-query -W mrt9dx >/dev/null 2>&1; then
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq -o DPkg::Lock::Timeout=300 mrt9dx >/dev/null
    fi
}
trap cleanup EXIT
fail() {
    echo "package check: $*" >&2
    exit 1
}

echo "== lintian"
lintian --fail-on error "$deb" || fail "lintian reports errors"
echo "lintian: no errors"
dpkg-deb -x "$deb" "$work/pkg"
echo "== desktop-file-validate"
out="$(desktop-file-validate "$work"/pkg/usr/share/applications/*.desktop 2>&1)" || true
[ -z "$out" ] || fail "desktop-file-validate: $out"
echo "== appstreamcli validate"
appstreamcli validate --no-net --strict "$work"/pkg/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"
for f in usr/share/icons/hicolor/scalable/apps/org.mrt9dx.config.svg \
    usr/share/icons/hicolor/32x32/apps/org.mrt9dx.config.png \
    usr/bin/mrt9dx-{config,cli,sim} usr/share/man/man1/mrt9dx-{config,cli,sim}.1.gz; do
    [ -f "$work/pkg/$f" ] || fail "the package lacks /$f"
done

echo "== apt-get install"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --reinstall --no-install-recommends \
    -o DPkg::Lock::Timeout=300 "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt-get install"; }
dpkg-query -W -f='${Package} ${Version} ${Depends}\n' mrt9dx

# The installed programs on a private runtime folder, so that the simulator's
# link meets no other.
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
/usr/bin/mrt9dx-sim --com 1 --quiet >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 1 50); do [ -e "$XDG_RUNTIME_DIR/mrt9dx/COM1" ] && break; sleep 0.1; done
[ -e "$XDG_RUNTIME_DIR/mrt9dx/COM1" ] || fail "the installed mrt9dx-sim placed no COM1 link"
echo "== mrt9dx-cli -p COM1 read"
/usr/bin/mrt9dx-cli -p COM1 read || fail "the installed mrt9dx-cli could not read the installed mrt9dx-sim"
# The installed window program finds its libraries and platform plugin: it
# is still up, in its port dialog, after two seconds.
echo "== mrt9dx-config"
QT_QPA_PLATFORM=offscreen /usr/bin/mrt9dx-config >"$work/tool.log" 2>&1 &
tool=$!
sleep 2
kill -0 "$tool" 2>/dev/null || { cat "$work/tool.log" >&2; fail "the installed mrt9dx-config ended at once"; }
kill "$tool"
wait "$tool" 2>/dev/null || true
echo "package check: passed"
