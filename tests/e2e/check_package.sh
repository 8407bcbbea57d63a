#!/usr/bin/env bash
# The Debian package end to end: scripts/package builds it; lintian (pedantic),
# desktop-file-validate, appstreamcli and hardening-check check it, and its
# manual pages and metainfo carry the version and date of its change log. Where
# no mrt9dx is installed, apt-get installs it, the installed mrt9dx-cli reads
# the installed mrt9dx-sim, the installed mrt9dx-config starts against it, and
# the package is purged again with anything apt-get brought along: the list of
# installed packages must then be what it was. Where some mrt9dx is installed
# already, the user's stays as it is: the install step is skipped, and the
# programs are tried from the unpacked package instead. Needs root or sudo.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
apt_get() {
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Lock::Timeout=300 "$@"
}
installed_packages() {
    dpkg-query -W -f='${db:Status-Abbrev} ${Package}:${Architecture} ${Version}\n' | grep '^ii' | sort
}

deb="$("$root/scripts/package" | tail -n 1)"
echo "package: $deb"
work="$(mktemp -d)"
sim_pid=""
we_installed=0
installed_packages >"$work/before"
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    if [ "$we_installed" = 1 ]; then
        # The package goes again, with what apt-get brought along for it.
        apt_get purge $(cat "$work/brought") >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "package check: $*" >&2
    exit 1
}

echo "== lintian --pedantic --info"
# lintian leaves a database file of its own in $TMPDIR: it goes with $work.
mkdir "$work/tmp"
TMPDIR="$work/tmp" lintian --pedantic --info --fail-on error,warning,info,pedantic "$deb" ||
    fail "lintian reports tags"
echo "lintian: no tags"
dpkg-deb -x "$deb" "$work/pkg"
echo "== desktop-file-validate"
out="$(desktop-file-validate "$work"/pkg/usr/share/applications/*.desktop 2>&1)" || true
[ -z "$out" ] || fail "desktop-file-validate: $out"
echo "== appstreamcli validate"
appstreamcli validate --no-net --pedantic --strict "$work"/pkg/usr/share/metainfo/*.metainfo.xml ||
    fail "appstreamcli validate"
for f in usr/share/icons/hicolor/scalable/apps/org.mrt9dx.config.svg \
    usr/share/icons/hicolor/32x32/apps/org.mrt9dx.config.png \
    usr/bin/mrt9dx-{config,cli,sim} usr/share/man/man1/mrt9dx-{config,cli,sim}.1.gz \
    usr/share/doc/mrt9dx/{README.Debian,copyright,changelog.gz,mrt9dx-config.png}; do
    [ -f "$work/pkg/$f" ] || fail "the package lacks /$f"
done

echo "== one version and one date"
version="$(dpkg-deb -f "$deb" Version)"
date="$(date -u -d "$(zcat "$work/pkg/usr/share/doc/mrt9dx/changelog.gz" | dpkg-parsechangelog -l - -S Date)" +%F)"
[ "$(zcat "$work/pkg/usr/share/doc/mrt9dx/changelog.gz" | dpkg-parsechangelog -l - -S Version)" = "$version" ] ||
    fail "the change log's latest entry is not version $version"
for page in "$work"/pkg/usr/share/man/man1/*.1.gz; do
    zcat "$page" | head -n 1 | grep -qF " 1 $date \"mrt9dx $version\" " ||
        fail "$(basename "$page") is not dated $date for mrt9dx $version: $(zcat "$page" | head -n 1)"
done
grep -qF "<release version=\"$version\" date=\"$date\"/>" "$work"/pkg/usr/share/metainfo/*.metainfo.xml ||
    fail "the metainfo's release is not $version of $date"
echo "mrt9dx $version of $date in the change log, the manual pages and the metainfo"

echo "== hardening-check"
# What Debian 12's dpkg-buildflags gives must be there: PIE, stack protector,
# RELRO, BIND_NOW. Its flags have no control-flow protection (Debian's own
# programs show "no" there too); and _FORTIFY_SOURCE leaves a call unprotected
# when the compiler proves its sizes (read into a fixed buffer, poll of one),
# which are all the calls these programs make, so hardening-check finds no
# protected one: both are reported, not judged.
hardening-check "$work"/pkg/usr/bin/mrt9dx-{config,cli,sim} || true
hardening-check --quiet --nocfprotection --nofortify "$work"/pkg/usr/bin/mrt9dx-{config,cli,sim} ||
    fail "a program lacks hardening"

# The programs on a private runtime folder, so that the simulator's link meets
# no other.
bin="$work/pkg/usr/bin"
if dpkg-query -W -f='${db:Status-Abbrev}' mrt9dx 2>/dev/null | grep -q '^.[^n]'; then
    echo "== apt-get install: skipped, mrt9dx $(dpkg-query -W -f='${Version}' mrt9dx) is installed here and stays;"
    echo "   the programs are tried from the unpacked package"
else
    echo "== apt-get install"
    # What the install brings: the package and any dependency not yet here
    # (only these are purged again, never a package someone else installed).
    apt-get install -s --no-install-recommends "$deb" 2>/dev/null | awk '/^Inst /{print $2}' >"$work/brought"
    grep -qx mrt9dx "$work/brought" || fail "apt-get would not install the package"
    we_installed=1
    apt_get install --no-install-recommends "$deb" >"$work/apt.log" 2>&1 ||
        { cat "$work/apt.log" >&2; fail "apt-get install"; }
    dpkg-query -W -f='${Package} ${Version} ${Depends}\n' mrt9dx
    bin=/usr/bin
fi
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
"$bin/mrt9dx-sim" --com 1 --quiet >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 1 50); do [ -e "$XDG_RUNTIME_DIR/mrt9dx/COM1" ] && break; sleep 0.1; done
[ -e "$XDG_RUNTIME_DIR/mrt9dx/COM1" ] || fail "the packed mrt9dx-sim placed no COM1 link"
echo "== mrt9dx-cli -p COM1 read"
"$bin/mrt9dx-cli" -p COM1 read || fail "the packed mrt9dx-cli could not read the packed mrt9dx-sim"
# The window program finds its libraries and platform plugin: it is still up,
# in its port dialog, after two seconds.
echo "== mrt9dx-config"
QT_QPA_PLATFORM=offscreen "$bin/mrt9dx-config" >"$work/tool.log" 2>&1 &
tool=$!
sleep 2
kill -0 "$tool" 2>/dev/null || { cat "$work/tool.log" >&2; fail "the packed mrt9dx-config ended at once"; }
kill "$tool"
wait "$tool" 2>/dev/null || true
kill "$sim_pid" && wait "$sim_pid" 2>/dev/null || true
sim_pid=""

if [ "$we_installed" = 1 ]; then
    echo "== apt-get purge"
    [ "$(wc -l <"$work/brought")" = 1 ] || echo "and what it brought along: $(grep -vx mrt9dx "$work/brought" | paste -sd' ')"
    apt_get purge $(cat "$work/brought") >/dev/null
    installed_packages >"$work/after"
    diff "$work/before" "$work/after" || fail "the installed packages differ from before the check"
    [ ! -e /usr/share/doc/mrt9dx ] && [ ! -e /usr/bin/mrt9dx-config ] || fail "files of mrt9dx are left behind"
    we_installed=0
    echo "the machine's packages are as before the check"
fi
echo "package check: passed"
