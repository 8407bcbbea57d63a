# Shared by the scripts: the Debian packages the project needs, installed when
# missing (a fresh Debian 12 machine, as root or through sudo).
MRT_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
MRT_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libxkbcommon-dev
    fonts-dejavu-core fonts-liberation2 xvfb xauth xdotool imagemagick clang libclang-rt-14-dev librsvg2-bin
    dbus at-spi2-core python3-pyatspi)
# What scripts/package and its check need besides: CPack's DEB generator calls
# dpkg-shlibdeps (dpkg-dev) and file; the checkers of the package.
MRT_PACKAGING=(dpkg-dev file lintian desktop-file-utils appstream)

# Installs the packages of MRT_PACKAGES and any given as arguments.
mrt_ensure_packages() {
    local missing=()
    local p
    for p in "${MRT_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Configures and builds into $1 (default build/) with any further cmake options.
mrt_build() {
    local dir="${1:-$MRT_ROOT/build}"
    shift || true
    cmake -S "$MRT_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}
