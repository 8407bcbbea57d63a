# Shared by the scripts: the Debian packages the project needs, installed when
# missing (a fresh Debian 12 machine, as root or through sudo).
MRT_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# What building the three programs needs: the compiler and Qt, the icon's PNGs
# (librsvg2-bin), and for the package's screenshot a virtual X server, the
# window's fonts, xdotool and ImageMagick's import.
MRT_BUILD_TOOLS=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libxkbcommon-dev librsvg2-bin
    fonts-dejavu-core fonts-liberation2 xvfb xauth xdotool imagemagick)
# What the tests need besides: clang and its sanitizer runtime; clang-format for
# the check of the layout in .ci/run.
# bash-completion for the check of the companion's completion; the accessibility
# bus and python3-pyatspi for reading the window as a screen reader does; xclip
# to hold a selection that a middle click could paste.
MRT_PACKAGES=("${MRT_BUILD_TOOLS[@]}" clang libclang-rt-14-dev clang-format bash-completion dbus at-spi2-core python3-pyatspi
    xclip)
# What scripts/package and its check need besides: CPack's DEB generator calls
# dpkg-shlibdeps (dpkg-dev) and file; the checkers of the package;
# hardening-check (devscripts) for the programs' hardening.
MRT_PACKAGING=(dpkg-dev file lintian desktop-file-utils appstream devscripts)
# What scripts/demo needs without a display: the VNC server, a window manager
# with title bars, the web page and its web socket.
MRT_DEMO_TOOLS=(x11vnc openbox novnc websockify)
# What its check needs besides (tests/demo/check_demo.sh): a browser driven
# over its DevTools web socket, ss and pgrep.
MRT_DEMO_CHECK=(chromium python3-websocket iproute2 procps)

# Installs the given packages that are missing.
mrt_install_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    # sudo drops the environment: DEBIAN_FRONTEND goes through env.
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
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
