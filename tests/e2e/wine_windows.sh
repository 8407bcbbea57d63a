#!/usr/bin/env bash
# The Windows build as a technician meets it, under Wine on an X server (run
# under xvfb-run): the installer of scripts/windows runs silently in a fresh Wine
# prefix; COM1 leads to mrt9dx-sim's pseudo-terminal through Wine's Ports key;
# the installed window is started, COM1 chosen, the programmed input range read
# (R) and programmed (S) and a DAC code stored, driven with xdotool, and the
# simulator must receive exactly those frames; a screenshot of the window under
# Wine is kept in <build>/e2e/wine-window.png. The installed companion's dump
# must be the Linux companion's, byte for byte. The uninstaller must leave the
# prefix as it was before the installation.
# Arguments: the Linux build directory (its mrt9dx-sim and mrt9dx-cli) and the
# installer.
set -euo pipefail
e2e_name=wine
installer="$(realpath "${2:?installer}")"
source "$(dirname "$0")/window_lib.sh"
rm -f "$out/wine-window.png"
# Wine hands the environment to the Windows programs: no X11 platform plugin there.
unset QT_QPA_PLATFORM
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all
# No downloads of Wine's .NET and browser engines, which nothing here needs.
export WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; e2e_cleanup' EXIT
folder='C:\Program Files\MRT9-DX'
unix_folder="$WINEPREFIX/drive_c/Program Files/MRT9-DX"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\mrt9dx'

# Every file and folder of the prefix but its registry, which Wine rewrites as
# it goes, and the temporary folder, from which the uninstaller runs a copy of
# itself (Windows empties it at the next start).
prefix_files() {
    (cd "$WINEPREFIX" && find . -not -name '*.reg' -not -path './drive_c/users/*/Temp/*' | sort)
}

wine wineboot --init >/dev/null 2>&1
wineserver -w
prefix_files >"$work/before.txt"

echo "wine: installing $(basename "$installer") silently"
wine "$installer" /S
wineserver -w
[ -f "$unix_folder/mrt9dx-config.exe" ] || fail "the installer put no mrt9dx-config.exe in $folder"
[ -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/MRT9-DX Configuration.lnk" ] ||
    fail "the installer made no Start-menu entry"
wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "the installer registered no uninstaller"
(cd "$unix_folder" && find . -type f | sort | sed 's/^/wine: installed /')

# COM1 of the prefix leads to the simulator's pseudo-terminal; Wine maps its
# ports when its server starts.
start_sim
pty="$(readlink -f "$XDG_RUNTIME_DIR/mrt9dx/COM1")"
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$pty" /f >/dev/null
wineserver -k || true
wineserver -w
echo "wine: COM1 is $pty"

wine "$folder\\mrt9dx-config.exe" >"$tool_log" 2>&1 &
tool_pid=$!
choose_com1
expect_frames "02 21 00 03"
# R, full mode, S and a DAC code as on Linux: the window is laid out the same.
read_program_and_trim
import -window "$main" "$out/wine-window.png" || fail "no screenshot"
grep '^RX ' "$sim_log" | sed 's/^/wine: the simulator received /'

kill "$tool_pid"
wait "$tool_pid" 2>/dev/null || true
tool_pid=""
wineserver -w

# The same settings file from the Windows companion and the Linux one.
wine "$folder\\mrt9dx-cli.exe" -p COM1 dump >"$out/wine-dump.json" 2>"$work/cli-windows.err" ||
    fail "mrt9dx-cli.exe dump failed: $(cat "$work/cli-windows.err")"
"$build/bin/mrt9dx-cli" -p COM1 dump >"$out/linux-dump.json" || fail "mrt9dx-cli dump failed"
cmp "$out/wine-dump.json" "$out/linux-dump.json" || fail "the two dumps differ"
echo "wine: mrt9dx-cli.exe dump is the Linux dump ($(wc -c <"$out/linux-dump.json") bytes)"

echo "wine: uninstalling silently"
wine "$folder\\uninstall.exe" /S
wineserver -w
wine reg query "$uninstall_key" >/dev/null 2>&1 && fail "the uninstaller left its registry key"
prefix_files >"$work/after.txt"
diff "$work/before.txt" "$work/after.txt" >"$work/left.txt" || {
    cat "$work/left.txt" >&2
    fail "the uninstaller left the prefix changed"
}
echo "wine: the uninstaller left the prefix as it was ($(wc -l <"$work/after.txt") files)"
echo "wine: passed"
