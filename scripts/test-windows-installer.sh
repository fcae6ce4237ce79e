#!/usr/bin/env bash
# Runs the Windows installer that scripts/build-windows.sh made under wine, in a throw-away
# wine prefix, as the program's update path starts it and as a user does, and checks what it
# leaves behind; starts the installed program on a virtual display; then uninstalls and checks
# that nothing of it is left.
#
#   scripts/test-windows-installer.sh [build folder]   (default: $KOERSZICHT_WINDOWS_BUILD or build-win32)
#
# Where wine does not run on this machine itself, it all runs in the i386 tree of scripts/wine32.sh
# (made once; root rights and the Debian archive needed).
#
# Exit status: 0 when every check passes, 1 when one fails, 77 when wine (or Xvfb) cannot run
# here or there is no installer (nothing was run).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd -P)
build=${1:-${KOERSZICHT_WINDOWS_BUILD:-$root/build-win32}}
cannot_test=77

installer=$(ls "$build"/Koerszicht[0-9]*.exe 2>/dev/null | head -n 1 || true)
if [ -z "$installer" ]; then
    echo "test-windows-installer: no installer in $build (scripts/build-windows.sh makes it)" >&2
    exit $cannot_test
fi
build=$(cd "$build" && pwd -P)
installer=$build/$(basename "$installer")

# Where wine does not run on this machine itself (no wine32 beside the amd64 packages, as on our
# Debian machines), this script runs again, whole, inside the i386 tree of scripts/wine32.sh,
# which has wine and Xvfb, with the repository and the build folder bound in.
host_wine_runs() {
    command -v wine >/dev/null && [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}
if ! host_wine_runs; then
    if [ "${KOERSZICHT_IN_WINE32_TREE:-0}" = 1 ]; then
        echo "test-windows-installer: wine does not run in the i386 tree; nothing was run" >&2
        exit $cannot_test
    fi
    echo "Wine does not run on this machine: the installer checks run in the i386 tree of scripts/wine32.sh"
    tree_status=0
    "$root/scripts/wine32.sh" setup >/dev/null || tree_status=$?
    if [ $tree_status -eq $cannot_test ]; then
        echo "test-windows-installer: wine cannot run here (see above); nothing was run" >&2
        exit $cannot_test
    elif [ $tree_status -ne 0 ]; then
        echo "test-windows-installer: the i386 tree could not be made" >&2
        exit 1
    fi
    exec "$root/scripts/wine32.sh" run "$root" "$build" -- env KOERSZICHT_IN_WINE32_TREE=1 bash "$root/scripts/test-windows-installer.sh" "$build"
fi
if ! command -v Xvfb >/dev/null && [ "$(id -u)" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive timeout 600 apt-get install -y -qq --no-install-recommends xvfb >/dev/null 2>&1 || true
fi
if ! command -v Xvfb >/dev/null; then
    echo "test-windows-installer: Xvfb is missing; nothing was run" >&2
    exit $cannot_test
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/koerszicht-installer.XXXXXX")
export WINEPREFIX="$work/prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" TZ=Europe/Amsterdam
unset WAYLAND_DISPLAY
xvfb=
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
display=:$((90 + $$ % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
timeout 300 wineboot --init >/dev/null 2>&1 || true
wineserver -w

status=0
check() { # check <description> <command...>
    if "${@:2}"; then echo "ok   $1"; else echo "FAIL $1"; status=1; fi
}
win_folder() { winepath -u "$(wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r')" 2>/dev/null; }
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Koerszicht'
has_key() { wine reg query "$key" /v DisplayName >/dev/null 2>&1; }
no_key() { ! has_key; }
programs=$(win_folder LOCALAPPDATA)/Programs/Koerszicht
link=$(win_folder APPDATA)/Microsoft/Windows/Start\ Menu/Programs/Koerszicht.lnk
# What the installer must put there: the deploy folder, file for file.
expected=$(cd "$build/deploy" && find . -type f | LC_ALL=C sort)
installed_files() { (cd "$programs" && find . -type f ! -name uninstall.exe | LC_ALL=C sort); }
same_files() { [ "$(installed_files)" = "$expected" ]; }
gone() { [ ! -e "$programs" ] && [ ! -e "$link" ]; }

# 1. As the update path starts it: silent, no Start menu entry.
timeout 300 wine "$installer" /SP- /silent /noicons
wineserver -w
check "update install: every file in place" same_files
check "update install: an uninstaller" test -f "$programs/uninstall.exe"
check "update install: no Start menu entry (/noicons)" test ! -e "$link"
check "update install: the uninstall key under HKCU" has_key

# 2. The program starts from there and keeps running until it is asked to close.
(cd "$programs" && timeout 120 wine ./koerszicht.exe >/dev/null 2>&1) &
started=$!
sleep 20
# (wmic, not tasklist: the tasklist of Debian 12's wine lists nothing; wmic writes UTF-16)
running() { wine wmic process get name 2>/dev/null | tr -d '\0\r' | grep -qix 'koerszicht.exe *'; }
check "the installed program is running" running
timeout 30 wine taskkill /IM koerszicht.exe >/dev/null 2>&1 || true
wait $started || true

# 3. Uninstall: nothing of it is left, a file of the user's in the folder stays.
timeout 300 wine "$programs/uninstall.exe" /S
wineserver -w
check "uninstall: folder removed" gone
check "uninstall: key removed" no_key

# 4. As a user installs it (NSIS's own /S): with a Start menu entry; the uninstaller leaves
#    what the user added.
timeout 300 wine "$installer" /S
wineserver -w
check "user install: every file in place" same_files
check "user install: Start menu entry" test -f "$link"
echo "mine" >"$programs/notes.txt"
timeout 300 wine "$programs/uninstall.exe" /S
wineserver -w
check "uninstall: the user's own file stays" test -f "$programs/notes.txt"
check "uninstall: only the user's own file is left" \
    bash -c '[ "$(cd "$1" && find . -type f)" = "./notes.txt" ]' _ "$programs"
check "uninstall: Start menu entry removed" test ! -e "$link"
check "uninstall: key removed" no_key

if [ $status -eq 0 ]; then echo "Windows installer checks passed"; else echo "Windows installer checks FAILED"; fi
exit $status
