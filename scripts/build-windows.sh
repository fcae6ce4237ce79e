#!/usr/bin/env bash
# Builds Koerszicht for 32-bit Windows on this Debian machine, with its installer.
#
#   scripts/build-windows.sh [--libraries-only]
#
# 1. Installs what is missing: the mingw-w64 compilers (POSIX thread model), CMake, Ninja,
#    dpkg-dev, NSIS, and the host Qt of the same version (its moc, rcc and uic do the work for
#    the Windows build), with a deb-src line beside the machine's own when there is none.
# 2. Builds Qt (qtbase) and libcurl for Windows from Debian's sources, ONCE, into
#    ${KOERSZICHT_WINDOWS_CACHE:-/var/cache/koerszicht-windows}/qt-<key> and curl-<key>
#    (see scripts/windows-cache.sh for the key). Qt takes about 45 minutes on two cores; a later
#    run finds it and takes minutes. An interrupted Qt build picks up where it stopped.
# 3. Builds the program in ${KOERSZICHT_WINDOWS_BUILD:-<repository>/build-win32}, gathers it with
#    the DLLs it needs in deploy/ there, and makes the installer with makensis.
#
# The DLLs go beside the program: Debian's Qt is built here as shared libraries (LGPL: the user
# may swap them), libcurl likewise, and the installer carries them all.
# With --libraries-only it stops after step 2.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
KOERSZICHT_ROOT=$root
jobs=${KOERSZICHT_JOBS:-2}
libraries_only=0
for arg in "$@"; do
    case $arg in
        --libraries-only) libraries_only=1 ;;
        *) echo "usage: $0 [--libraries-only]" >&2; exit 2 ;;
    esac
done

packages=(cmake ninja-build dpkg-dev xz-utils perl python3 nsis
    gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
    qt6-base-dev qt6-base-dev-tools libcurl4)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
        sudo "$@"
    else
        echo "build-windows: root rights are needed for: $*" >&2
        return 1
    fi
}

have_source_lines() {
    grep -rqs -e '^Types:.*deb-src' -e '^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/
}

install_missing() {
    local missing=() pkg updated=0
    for pkg in "${packages[@]}"; do
        if ! dpkg -s "$pkg" 2>/dev/null | grep -q '^Status: install ok installed'; then
            missing+=("$pkg")
        fi
    done
    if ! have_source_lines; then
        # Source packages from the same archive as the machine's binary ones.
        local src=/etc/apt/sources.list.d/debian.sources
        if [ -f "$src" ]; then
            echo "Adding a deb-src line beside $src"
            sed 's/^Types: deb$/Types: deb-src/' "$src" | as_root tee /etc/apt/sources.list.d/debian-src.sources >/dev/null
        elif [ -f /etc/apt/sources.list ]; then
            echo "Adding deb-src lines beside /etc/apt/sources.list"
            sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | as_root tee /etc/apt/sources.list.d/debian-src.list >/dev/null
        fi
        # A broken index elsewhere (a mirror mid-sync) must not stop us; apt-get source says
        # plainly when it finds no source.
        as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq || true
        updated=1
    fi
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    [ $updated = 1 ] || as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq || true
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

install_missing
# shellcheck source=windows-cache.sh
. "$root/scripts/windows-cache.sh"
echo "Qt $KZW_QT_VERSION, curl $KZW_CURL_VERSION, mingw-w64 $KZW_MINGW_VERSION: key $KZW_KEY"
as_root mkdir -p "$KZW_CACHE"
if [ ! -w "$KZW_CACHE" ]; then
    as_root chown "$(id -u):$(id -g)" "$KZW_CACHE"
fi
downloads=$KZW_CACHE/downloads
mkdir -p "$downloads"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
elapsed() { echo "$(( ($(date +%s) - $1) / 60 )) min $(( ($(date +%s) - $1) % 60 )) s"; }

# apt-get source as root leaves files the _apt user cannot read; that is only a warning.
fetch_source() {
    local package=$1 version=$2
    (cd "$downloads" && ls "${package}_${version#*:}.dsc" >/dev/null 2>&1) && return 0
    (cd "$downloads" && apt-get source --download-only -qq "$package=$version")
}

build_qt() {
    [ -f "$KZW_QT/.complete" ] && return 0
    local work=$KZW_CACHE/work-qt-$KZW_KEY start
    start=$(date +%s)
    local version=$KZW_QT_VERSION upstream=${KZW_QT_VERSION%%+*}
    local src=$work/qtbase-everywhere-src-$upstream
    echo "Building Qt $version for Windows into $KZW_QT (about 45 minutes; log in $work/build.log)"
    mkdir -p "$work"
    if [ ! -d "$src" ]; then
        fetch_source qt6-base "$version"
        tar xf "$downloads/qt6-base_${version%-*}.orig.tar.xz" -C "$work"
    fi
    kzw_mend_qt "$src"
    if [ ! -f "$work/build/build.ninja" ]; then
        cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$KZW_TOOLCHAIN" \
            -DCMAKE_INSTALL_PREFIX="$KZW_QT" -DQT_HOST_PATH=/usr \
            -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$multiarch/cmake" "${KZW_QT_OPTIONS[@]}" \
            >"$work/configure.log" 2>&1 || { tail -n 40 "$work/configure.log" >&2; return 1; }
    fi
    nice -n 19 cmake --build "$work/build" --parallel "$jobs" >>"$work/build.log" 2>&1 ||
        { tail -n 40 "$work/build.log" >&2; echo "build-windows: the Qt build failed; see $work/build.log" >&2; return 1; }
    rm -rf "$KZW_QT"
    cmake --install "$work/build" >"$work/install.log" 2>&1
    touch "$KZW_QT/.complete"
    rm -rf "$work"
    echo "Qt for Windows built in $(elapsed "$start")"
}

build_curl() {
    [ -f "$KZW_CURL/.complete" ] && return 0
    local work=$KZW_CACHE/work-curl-$KZW_KEY start version=$KZW_CURL_VERSION
    start=$(date +%s)
    echo "Building libcurl $version for Windows into $KZW_CURL"
    rm -rf "$work" && mkdir -p "$work"
    fetch_source curl "$version"
    dpkg-source -x "$downloads/curl_${version#*:}.dsc" "$work/src" >"$work/unpack.log" 2>&1
    cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$KZW_TOOLCHAIN" \
        -DCMAKE_INSTALL_PREFIX="$KZW_CURL" "${KZW_CURL_OPTIONS[@]}" >"$work/configure.log" 2>&1 ||
        { tail -n 40 "$work/configure.log" >&2; return 1; }
    nice -n 19 cmake --build "$work/build" --parallel "$jobs" >"$work/build.log" 2>&1 ||
        { tail -n 40 "$work/build.log" >&2; return 1; }
    rm -rf "$KZW_CURL"
    cmake --install "$work/build" >"$work/install.log" 2>&1
    touch "$KZW_CURL/.complete"
    rm -rf "$work"
    echo "libcurl for Windows built in $(elapsed "$start")"
}

build_qt
build_curl
[ $libraries_only = 1 ] && exit 0
