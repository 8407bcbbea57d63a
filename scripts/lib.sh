# Shared by the scripts: the Debian packages the project needs, installed when
# missing (a fresh Debian 12 machine, as root or through sudo).
MRT_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# What building the three programs needs: the compiler and Qt (with the SQLite
# and PostgreSQL drivers of the companion's store of records), the icon's PNGs
# (librsvg2-bin), and for the package's screenshot a virtual X server, the
# window's fonts, xdotool and ImageMagick's import.
MRT_BUILD_TOOLS=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite libqt6sql6-psql
    libxkbcommon-dev librsvg2-bin fonts-dejavu-core fonts-liberation2 xvfb xauth xdotool imagemagick)
# What the tests need besides: clang and its sanitizer runtime; clang-format for
# the check of the layout in .ci/run.
# bash-completion and strace for the check of the companion's completion; the
# accessibility bus and python3-pyatspi for reading the window as a screen reader
# does; python3-jsonschema to check the calibration records against their
# schema; xclip to hold a selection that a middle click could paste; postgresql
# for the store of records on a server of the test's own.
MRT_PACKAGES=("${MRT_BUILD_TOOLS[@]}" clang libclang-rt-14-dev clang-format bash-completion dbus at-spi2-core python3-pyatspi python3-jsonschema
    strace xclip postgresql)
# What scripts/package needs besides: CPack's DEB generator calls
# dpkg-shlibdeps (dpkg-dev) and file.
MRT_PACKAGING=(dpkg-dev file)
# What the package check needs besides (tests/e2e/check_package.sh): the
# checkers of the packages, and hardening-check (devscripts) for the programs'
# hardening.
MRT_PACKAGE_CHECK=(lintian desktop-file-utils appstream devscripts)
# What scripts/demo needs without a display: the VNC server, a window manager
# with title bars, the web page and its web socket.
MRT_DEMO_TOOLS=(x11vnc openbox novnc websockify)
# What its check needs besides (tests/demo/check_demo.sh): a browser driven
# over its DevTools web socket, ss and pgrep.
MRT_DEMO_CHECK=(chromium python3-websocket iproute2 procps)

# The locks apt-get and dpkg take; another package manager holding one of them
# (an install in another terminal, unattended-upgrades, PackageKit) makes
# apt-get fail at once.
MRT_APT_LOCKS='/var/lib/dpkg/lock-frontend|/var/lib/dpkg/lock|/var/lib/apt/lists/lock|/var/cache/apt/archives/lock'

# Waits while another program holds a lock of the package manager, saying once
# what it waits for; gives up once the waits of this script passed MRT_APT_WAIT
# seconds (default 1800).
mrt_wait_for_apt() {
    local holder said=""
    while holder="$(lslocks -n -o COMMAND,PID,PATH 2>/dev/null | grep -E " ($MRT_APT_LOCKS)\$" | head -n 1)" &&
        [ -n "$holder" ]; do
        set -- $holder
        if [ "$said" != "$2" ]; then
            echo "Waiting for $1 (process $2) to release $3: another package manager is at work..."
            said="$2"
        fi
        mrt_apt_pause "$1 (process $2) still holds $3" || return 1
    done
}
MRT_APT_WAITED=0
mrt_apt_pause() {
    if [ "$MRT_APT_WAITED" -ge "${MRT_APT_WAIT:-1800}" ]; then
        echo "Gave up after $MRT_APT_WAITED s: $1." >&2
        return 1
    fi
    sleep 2
    MRT_APT_WAITED=$((MRT_APT_WAITED + 2))
}

# apt-get with the given arguments, as root, once the package manager is free.
# A lock taken between the wait and apt-get's own start is waited for again.
mrt_apt_get() {
    local sudo="" err status
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    err="$(mktemp)"
    while :; do
        mrt_wait_for_apt || break
        status=0
        # sudo drops the environment: DEBIAN_FRONTEND goes through env.
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=60 "$@" 2>"$err" || status=$?
        if [ "$status" -ne 0 ] && grep -q 'Could not get lock' "$err"; then
            echo "Waiting for the package manager's lock: $(grep -m 1 'Could not get lock' "$err")"
            mrt_apt_pause "the package manager's lock is still held" && continue
        fi
        cat "$err" >&2
        rm -f "$err"
        return "$status"
    done
    rm -f "$err"
    return 1
}

# What scripts/windows needs besides the build tools: the MinGW-w64 cross
# compiler, dpkg-source for Qt's source packages, the installer maker and zip;
# its check (tests/e2e/wine_windows.sh) runs the programs with Wine.
MRT_WINDOWS_TOOLS=(g++-mingw-w64-x86-64-posix dpkg-dev nsis zip)
MRT_WINDOWS_CHECK=(wine wine64 fonts-wine xvfb xauth xdotool imagemagick)
# Sets MRT_WINDOWS_QT, where scripts/windows keeps its Qt for Windows: the
# version of the installed Qt (whose host tools it uses) is in the name, so
# another version builds anew.
mrt_windows_qt() {
    MRT_WINDOWS_QT_VERSION="$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null | sed 's/[+-].*//')"
    MRT_WINDOWS_QT="${XDG_CACHE_HOME:-$HOME/.cache}/mrt9dx/qt-${MRT_WINDOWS_QT_VERSION:-none}-mingw-w64-x86_64"
}

# Installs the given packages that are missing.
mrt_install_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    mrt_apt_get update -qq
    mrt_apt_get install -y -qq --no-install-recommends "${missing[@]}"
}

# Installs the packages of MRT_PACKAGES and any given as arguments.
mrt_ensure_packages() {
    mrt_install_packages "${MRT_PACKAGES[@]}" "$@"
}

# Configures $1 (default build/) with any further cmake options.
mrt_configure() {
    local dir="${1:-$MRT_ROOT/build}"
    shift || true
    cmake -S "$MRT_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

# Configures and builds into $1 (default build/) with any further cmake options.
mrt_build() {
    local dir="${1:-$MRT_ROOT/build}"
    shift || true
    mrt_configure "$dir" "$@"
    cmake --build "$dir" -j "$(nproc)"
}
