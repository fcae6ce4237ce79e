#!/usr/bin/env bash
# Builds the Windows platform code and its test program with the 32-bit mingw-w64 cross
# compiler and runs the program under wine, headless, in a throw-away wine prefix.
# Installs what is missing first (the compiler). Where wine does not run on this machine itself,
# as on a Debian amd64 machine whose archive cannot serve wine32 beside the amd64 packages, the
# wine steps run in the i386 Debian tree of scripts/wine32.sh (made once, about 1.5 minutes,
# then reused; it needs root rights and the Debian archive).
# Exit status: 0 when every check passes, 1 when a build or a check fails,
# 77 when the compiler cannot be installed or wine cannot run on this machine (nothing was run).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd -P)
cannot_test=77

packages=(cmake ninja-build gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix tzdata)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
        sudo "$@"
    else
        echo "test-windows: root rights are needed to install: $*" >&2
        return 1
    fi
}

install_missing() {
    local missing=() pkg
    for pkg in "${packages[@]}"; do
        if ! dpkg -s "$pkg" 2>/dev/null | grep -q '^Status: install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive timeout 300 apt-get update -qq || return 1
    as_root env DEBIAN_FRONTEND=noninteractive timeout 600 \
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null || return 1
}

if ! install_missing || ! command -v i686-w64-mingw32-g++-posix >/dev/null; then
    echo "test-windows: the cross compiler cannot be installed here; nothing was tested" >&2
    exit $cannot_test
fi

out="$root/build-windows"
echo "Building the Windows test program"
cmake -S "$root/tests/windows" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
    -DKOERSZICHT_WERROR="${KOERSZICHT_WERROR:-OFF}" >/dev/null
cmake --build "$out" -j2

# The Windows branches of the Qt files, checked for syntax only: the Qt headers of this
# machine stand in for those of a Qt for Windows, which Debian does not package.
qt_files=(support/Folders.cpp support/SystemInfo.cpp update/ProcessFinder.cpp)
qt_include=$(ls -d /usr/include/*/qt6 2>/dev/null | head -n 1 || true)
if [ -n "$qt_include" ]; then
    echo "Checking the Windows branches of the Qt files"
    for file in "${qt_files[@]}"; do
        i686-w64-mingw32-g++-posix -std=c++20 -fsyntax-only -Wno-attributes -I"$root" -I"$qt_include" \
            -I"$qt_include/QtCore" -I"$qt_include/QtGui" -I"$qt_include/QtWidgets" \
            -DKOERSZICHT_INSTALL_DATADIR='""' -DUNICODE -D_UNICODE "$root/$file"
    done
else
    echo "No Qt headers here: the Windows branches of the Qt files are not checked"
fi

# The wine steps: a wine prefix in WORK, the test program of OUT run in it under each locale.
# Runs here or inside the i386 tree, so it uses nothing of this script but its arguments.
wine_checks() { # wine_checks OUT WORK
    local out=$1 work=$2 status=0 locale id code
    export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" TZ=Europe/Amsterdam
    unset DISPLAY WAYLAND_DISPLAY
    echo "Preparing a wine prefix"
    timeout 300 wineboot --init >/dev/null 2>&1 || true
    # Drive R: of the removable type, for the daylight correction between drive types.
    mkdir -p "$work/removable"
    ln -sfn "$work/removable" "$WINEPREFIX/dosdevices/r:"
    timeout 120 wine reg add 'HKLM\Software\Wine\Drives' /v 'r:' /d floppy /f >/dev/null 2>&1
    wineserver -w

    echo "Running the Windows test program"
    LC_ALL=nl_NL.UTF-8 timeout 300 wine "$out/tst_platform_win.exe" --write-registry --zone=cet --removable-drive=R || status=1

    # The user's language, from the locale wine is started with.
    while read -r locale id code; do
        echo "Language under $locale"
        LC_ALL=$locale timeout 120 wine "$out/tst_platform_win.exe" "--language=$id,$code" || status=1
    done <<'TABLE'
nl_NL.UTF-8 1043 NLD
nl_BE.UTF-8 2067 NLD
af_ZA.UTF-8 1078 NLD
en_US.UTF-8 1033 ENU
de_DE.UTF-8 1031 ENU
TABLE
    wineserver -k 2>/dev/null || true
    return $status
}

# Wine of this machine when it runs here; a kernel without 32-bit support cannot start its
# 32-bit loader ("Exec format error").
host_wine_runs() {
    command -v wine >/dev/null && [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

work=$(mktemp -d "$out/wine.XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
if host_wine_runs; then
    wine_checks "$out" "$work" || status=$?
else
    echo "Wine does not run on this machine: the wine steps run in the i386 tree of scripts/wine32.sh"
    tree_status=0
    "$root/scripts/wine32.sh" setup >/dev/null || tree_status=$?
    if [ $tree_status -eq $cannot_test ]; then
        echo "test-windows: wine cannot run here (see above); the Windows build was checked, nothing was run" >&2
        exit $cannot_test
    elif [ $tree_status -ne 0 ]; then
        echo "test-windows: the i386 tree could not be made" >&2
        exit 1
    fi
    "$root/scripts/wine32.sh" run "$root" -- bash -c "set -euo pipefail; $(declare -f wine_checks); wine_checks \"\$@\"" \
        _ "$out" "$work" || status=$?
fi

if [ $status -eq 0 ]; then
    echo "Windows tests passed"
else
    echo "Windows tests FAILED"
    status=1
fi
exit $status
