#!/usr/bin/env bash
# The two Debian packages end to end: scripts/package builds mrt9dx-cli (the
# companion and the simulator) and mrt9dx (the window); lintian (pedantic, info
# tags shown and judged), desktop-file-validate, appstreamcli and hardening-check
# check them, and their manual pages and metainfo carry the version and date of
# their change log. mrt9dx-cli must need no display: neither its dependencies
# nor its programs bring Qt Widgets, Qt Gui or an X library.
# Where neither package is installed, apt-get installs each alone, as on a
# machine of its own: the installed mrt9dx-cli reads and dumps the installed
# mrt9dx-sim; the installed mrt9dx-config starts against the packed simulator,
# and answers an unknown option and a display that leads nowhere in one line.
# Each is purged again with anything apt-get brought along: the list of
# installed packages must then be what it was. Where either is installed
# already, the user's stays as it is: the install steps are skipped, and the
# programs are tried from the unpacked packages instead. Needs root or sudo.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/lib.sh"
mrt_install_packages "${MRT_PACKAGE_CHECK[@]}"
installed_packages() {
    dpkg-query -W -f='${db:Status-Abbrev} ${Package}:${Architecture} ${Version}\n' | grep '^ii' | sort
}

debs=($("$root/scripts/package" | tail -n 2))
cli_deb="${debs[0]}" window_deb="${debs[1]}"
[[ "$(basename "$cli_deb")" == mrt9dx-cli_* && "$(basename "$window_deb")" == mrt9dx_* ]] ||
    { echo "package check: scripts/package did not name the two packages: ${debs[*]}" >&2; exit 1; }
echo "packages: $cli_deb $window_deb"
work="$(mktemp -d)"
sim_pid=""
brought=""
installed_packages >"$work/before"
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    # A package installed here goes again, with what apt-get brought along.
    [ -n "$brought" ] && { mrt_apt_get purge -y -qq $(cat "$brought") >/dev/null 2>&1 || true; }
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "package check: $*" >&2
    exit 1
}

echo "== lintian --pedantic --display-info"
# lintian leaves a database file of its own in $TMPDIR: it goes with $work.
mkdir "$work/tmp"
TMPDIR="$work/tmp" lintian --pedantic --display-info --fail-on error,warning,info,pedantic "$cli_deb" "$window_deb" ||
    fail "lintian reports tags"
echo "lintian: no tags"
dpkg-deb -x "$cli_deb" "$work/cli"
dpkg-deb -x "$window_deb" "$work/window"
echo "== desktop-file-validate"
out="$(desktop-file-validate "$work"/window/usr/share/applications/*.desktop 2>&1)" || true
[ -z "$out" ] || fail "desktop-file-validate: $out"
echo "desktop-file-validate: no remarks"
echo "== appstreamcli validate --pedantic"
# With the network: an address the metainfo names is fetched. On a machine that
# reaches nothing, an address whose host cannot be reached cannot be judged: only
# such issues are let pass, never one about an address that answered.
status=0
appstreamcli validate --pedantic --explain "$work"/window/usr/share/metainfo/*.metainfo.xml >"$work/appstream.log" 2>&1 ||
    status=$?
cat "$work/appstream.log"
judged="$(awk '/^[EWIP]: / { if (issue != "") print issue; issue = $0; next }
    /^ / { sub(/^ +/, ""); issue = issue " " $0; next }
    { if (issue != "") print issue; issue = "" }
    END { if (issue != "") print issue }' "$work/appstream.log" |
    grep -vE '^[EWIP]: [^ ]+ (url-not-reachable|screenshot-image-not-found) .*(Could not resolve host|Could not connect|Couldn.t connect|Failed to connect|Network is unreachable)' ||
    true)"
[ -z "$judged" ] || fail "appstreamcli validate: $judged"
[ "$status" = 0 ] || grep -qE '^[EWIP]: ' "$work/appstream.log" || fail "appstreamcli validate failed"
[ "$status" = 0 ] || echo "(only addresses this machine cannot reach: not judged here)"

echo "== what each package holds"
for f in usr/bin/mrt9dx-{cli,sim} usr/share/man/man1/mrt9dx-{cli,sim}.1.gz \
    usr/share/bash-completion/completions/mrt9dx-cli \
    usr/share/doc/mrt9dx-cli/{README.Debian,copyright,changelog.gz}; do
    [ -f "$work/cli/$f" ] || fail "mrt9dx-cli lacks /$f"
done
for f in usr/bin/mrt9dx-config usr/share/man/man1/mrt9dx-config.1.gz \
    usr/share/applications/org.mrt9dx.config.desktop usr/share/metainfo/org.mrt9dx.config.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/org.mrt9dx.config.svg \
    usr/share/icons/hicolor/32x32/apps/org.mrt9dx.config.png \
    usr/share/doc/mrt9dx/{README.Debian,copyright,changelog.gz,mrt9dx-config.png}; do
    [ -f "$work/window/$f" ] || fail "mrt9dx lacks /$f"
done
[ ! -e "$work/window/usr/bin/mrt9dx-cli" ] && [ ! -e "$work/cli/usr/bin/mrt9dx-config" ] ||
    fail "a program is in both packages"
for deb in "$cli_deb" "$window_deb"; do
    dpkg-deb -f "$deb" Package Version Depends Recommends Maintainer Homepage | sed 's/^/  /'
done
dpkg-deb -f "$window_deb" Depends | grep -qE '(^|, )fonts-liberation2(,|$)' ||
    fail "mrt9dx does not depend on the window's font fonts-liberation2"
[ "$(dpkg-deb -f "$window_deb" Recommends)" = mrt9dx-cli ] || fail "mrt9dx does not recommend mrt9dx-cli"

echo "== mrt9dx-cli needs no display"
# Neither the companion's dependencies, all the way down, nor its programs'
# libraries hold Qt Gui, Qt Widgets or an X or Wayland client library.
display_libraries='^(libqt6gui6|libqt6widgets6|libqt6opengl6|libx11-6|libxcb.*|libxkbcommon.*|libwayland.*|libgl1|libegl1|libopengl0|fonts-.*)$'
depends="$(dpkg-deb -f "$cli_deb" Depends | tr ',' '\n' | sed 's/^ *//; s/[ (].*//' | grep -v '^$')"
apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks --no-replaces --no-enhances \
    $depends 2>/dev/null | grep -v '^ ' | sed 's/:.*//; s/^<\(.*\)>$/\1/' | sort -u >"$work/cli-closure"
[ -s "$work/cli-closure" ] || fail "apt-cache knows none of mrt9dx-cli's dependencies: $depends"
echo "mrt9dx-cli depends on $(echo $depends), $(wc -l <"$work/cli-closure") packages in all"
! grep -E "$display_libraries" "$work/cli-closure" || fail "mrt9dx-cli's dependencies bring a display library"
links="$(ldd "$work"/cli/usr/bin/mrt9dx-{cli,sim} | awk '/=>/{print $1}' | sort -u)"
! grep -E '^(libQt6(Gui|Widgets|OpenGL)|libX|libxcb|libGL|libEGL|libwayland)' <<<"$links" ||
    fail "mrt9dx-cli's programs link a display library"
echo "its programs link: $(echo $links)"

echo "== one version and one date"
version="$(dpkg-deb -f "$window_deb" Version)"
[ "$(dpkg-deb -f "$cli_deb" Version)" = "$version" ] || fail "the two packages are of different versions"
for pkg in window/usr/share/doc/mrt9dx cli/usr/share/doc/mrt9dx-cli; do
    log="$work/$pkg/changelog.gz"
    [ "$(zcat "$log" | dpkg-parsechangelog -l - -S Version)" = "$version" ] ||
        fail "the change log's latest entry is not version $version"
done
date="$(date -u -d "$(zcat "$log" | dpkg-parsechangelog -l - -S Date)" +%F)"
for page in "$work"/{cli,window}/usr/share/man/man1/*.1.gz; do
    zcat "$page" | head -n 1 | grep -qF " 1 $date \"mrt9dx $version\" " ||
        fail "$(basename "$page") is not dated $date for mrt9dx $version: $(zcat "$page" | head -n 1)"
done
grep -qF "<release version=\"$version\" date=\"$date\"/>" "$work"/window/usr/share/metainfo/*.metainfo.xml ||
    fail "the metainfo's release is not $version of $date"
echo "mrt9dx $version of $date in the change logs, the manual pages and the metainfo"

echo "== hardening-check"
# What Debian 12's dpkg-buildflags gives must be there: PIE, stack protector,
# RELRO, BIND_NOW. Its flags have no control-flow protection (Debian's own
# programs show "no" there too); and _FORTIFY_SOURCE leaves a call unprotected
# when the compiler proves its sizes (read into a fixed buffer, poll of one),
# so most calls stay unprotected: both are reported, not judged.
programs=("$work"/window/usr/bin/mrt9dx-config "$work"/cli/usr/bin/mrt9dx-{cli,sim})
hardening-check "${programs[@]}" || true
hardening-check --quiet --nocfprotection --nofortify "${programs[@]}" || fail "a program lacks hardening"

# Installs the package $1 alone, as on a machine of its own: what it brings is
# listed, and kept in $brought for the purge.
install_alone() {
    local deb="$1" name
    name="$(dpkg-deb -f "$deb" Package)"
    echo "== apt-get install ./$(basename "$deb")"
    brought="$work/brought-$name"
    apt-get install -s --no-install-recommends "$deb" 2>/dev/null | awk '/^Inst /{print $2}' >"$brought"
    grep -qx "$name" "$brought" || fail "apt-get would not install $name"
    mrt_apt_get install -y -qq --no-install-recommends "$deb" >"$work/apt.log" 2>&1 ||
        { cat "$work/apt.log" >&2; fail "apt-get install $name"; }
    echo "it brings: $(paste -sd' ' "$brought")"
    dpkg-query -W -f='${Package} ${Version} ${Depends}\n' "$name"
}
# Purges what install_alone brought: the machine's packages are as before.
purge_again() {
    echo "== apt-get purge $(paste -sd' ' "$brought")"
    mrt_apt_get purge -y -qq $(cat "$brought") >/dev/null
    brought=""
    installed_packages >"$work/after"
    diff "$work/before" "$work/after" || fail "the installed packages differ from before the check"
    [ ! -e /usr/share/doc/mrt9dx ] && [ ! -e /usr/share/doc/mrt9dx-cli ] && [ ! -e /usr/bin/mrt9dx-config ] &&
        [ ! -e /usr/bin/mrt9dx-cli ] || fail "files of the packages are left behind"
    echo "the machine's packages are as before"
}
# The simulator $1 on a private runtime folder, so that its link meets no other.
start_sim() {
    export XDG_RUNTIME_DIR="$work/run"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    "$1" --com 1 --quiet >"$work/sim.log" 2>&1 &
    sim_pid=$!
    for _ in $(seq 1 50); do [ -e "$XDG_RUNTIME_DIR/mrt9dx/COM1" ] && break; sleep 0.1; done
    [ -e "$XDG_RUNTIME_DIR/mrt9dx/COM1" ] || fail "the packed mrt9dx-sim placed no COM1 link"
}
stop_sim() {
    kill "$sim_pid" && wait "$sim_pid" 2>/dev/null || true
    sim_pid=""
}

install=1
for name in mrt9dx mrt9dx-cli; do
    if dpkg-query -W -f='${db:Status-Abbrev}' "$name" 2>/dev/null | grep -q '^.[^n]'; then
        echo "== apt-get install: skipped, $name $(dpkg-query -W -f='${Version}' "$name") is installed here and stays;"
        echo "   the programs are tried from the unpacked packages"
        install=0
    fi
done

cli_bin="$work/cli/usr/bin"
if [ "$install" = 1 ]; then
    install_alone "$cli_deb"
    cli_bin=/usr/bin
fi
start_sim "$cli_bin/mrt9dx-sim"
echo "== mrt9dx-cli -p COM1 read"
"$cli_bin/mrt9dx-cli" -p COM1 read || fail "the packed mrt9dx-cli could not read the packed mrt9dx-sim"
echo "== mrt9dx-cli -p COM1 dump"
"$cli_bin/mrt9dx-cli" -p COM1 dump || fail "the packed mrt9dx-cli could not dump the packed mrt9dx-sim"
stop_sim
[ "$install" = 1 ] && purge_again

window_bin="$work/window/usr/bin"
if [ "$install" = 1 ]; then
    install_alone "$window_deb"
    ! grep -qx mrt9dx-cli "$brought" || fail "mrt9dx brought mrt9dx-cli, which it only recommends"
    window_bin=/usr/bin
fi
echo "== mrt9dx-config --bogus, and on a display that leads nowhere"
# One line of its own and a status that is not 0; never Qt's abort.
one_line() {
    local want="$1" status=0
    shift
    env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY "$@" >"$work/out.log" 2>&1 </dev/null || status=$?
    echo "${*#"$window_bin/"}: status $status: $(cat "$work/out.log")"
    [ "$status" = "$want" ] && [ "$(wc -l <"$work/out.log")" = 1 ] && ! grep -qiE 'reinstall|abort|plugin' "$work/out.log" ||
        fail "it should end with status $want and one line of its own"
}
one_line 2 "$window_bin/mrt9dx-config" --bogus
one_line 1 DISPLAY=:55 "$window_bin/mrt9dx-config"
one_line 1 -u DISPLAY "$window_bin/mrt9dx-config"
# The window program finds its libraries, platform plugin and font: it is still
# up, in its port dialog, after two seconds.
echo "== mrt9dx-config"
start_sim "$work/cli/usr/bin/mrt9dx-sim"
QT_QPA_PLATFORM=offscreen "$window_bin/mrt9dx-config" >"$work/tool.log" 2>&1 &
tool=$!
sleep 2
kill -0 "$tool" 2>/dev/null || { cat "$work/tool.log" >&2; fail "the packed mrt9dx-config ended at once"; }
kill "$tool"
wait "$tool" 2>/dev/null || true
stop_sim
[ "$install" = 1 ] && purge_again
echo "package check: passed"
