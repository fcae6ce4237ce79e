#!/usr/bin/env bash
# Builds Koerszicht for 32-bit Windows on this Debian machine, with its installer.
#
#   scripts/build-windows.sh [--libraries-only | --tests]
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
# With --libraries-only it stops after step 2. With --tests it also builds the tests of the core
# (session, history, chart, quotes, update) for Windows and runs them under wine: wine of this
# machine when it runs, otherwise the one in the i386 tree of scripts/wine32.sh; and it makes
# update-check/Koerszicht<next version>.exe there, for the update check of
# scripts/test-windows-installer.sh.
# Exit status: 0 when built (and with --tests: the tests passed), 1 when a build step or a test
# fails, 77 when the packages cannot be installed or, with --tests, wine cannot run here.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
KOERSZICHT_ROOT=$root
jobs=${KOERSZICHT_JOBS:-2}
libraries_only=0
tests=OFF
for arg in "$@"; do
    case $arg in
        --libraries-only) libraries_only=1 ;;
        --tests) tests=ON ;;
        *) echo "usage: $0 [--libraries-only | --tests]" >&2; exit 2 ;;
    esac
done

packages=(cmake ninja-build dpkg-dev xz-utils perl python3 nsis autoconf automake libtool
    librsvg2-bin icoutils
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

if ! install_missing; then
    echo "build-windows: the packages it needs cannot be installed here; nothing was built" >&2
    exit 77
fi
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

build_sodium() {
    [ -f "$KZW_SODIUM/.complete" ] && return 0
    local work=$KZW_CACHE/work-sodium-$KZW_SODIUM_KEY start version=$KZW_SODIUM_VERSION
    start=$(date +%s)
    echo "Building libsodium $version for Windows into $KZW_SODIUM"
    rm -rf "$work" && mkdir -p "$work"
    fetch_source libsodium "$version"
    dpkg-source -x "$downloads/libsodium_${version#*:}.dsc" "$work/src" >"$work/unpack.log" 2>&1
    # Debian's source carries no generated configure script.
    (cd "$work/src" && autoreconf -fi && ./configure --host=i686-w64-mingw32 CC=i686-w64-mingw32-gcc-posix \
        --prefix="$KZW_SODIUM" "${KZW_SODIUM_OPTIONS[@]}") >"$work/configure.log" 2>&1 ||
        { tail -n 40 "$work/configure.log" >&2; return 1; }
    nice -n 19 make -C "$work/src" -j"$jobs" >"$work/build.log" 2>&1 || { tail -n 40 "$work/build.log" >&2; return 1; }
    rm -rf "$KZW_SODIUM"
    make -C "$work/src" install >"$work/install.log" 2>&1
    touch "$KZW_SODIUM/.complete"
    rm -rf "$work"
    echo "libsodium for Windows built in $(elapsed "$start")"
}

build_qt
build_curl
build_sodium
[ $libraries_only = 1 ] && exit 0

# --- The program ----------------------------------------------------------------------------
# Qt's toolchain file chain-loads the compiler's and adds Qt's prefix, and through
# QT_ADDITIONAL_PACKAGES_PREFIX_PATH curl's, to the paths CMake searches (the compiler's
# toolchain file lets it find packages only there). pkg-config is kept out: it would find
# this machine's Linux libsodium. The test suite is built only with --tests.
build=${KOERSZICHT_WINDOWS_BUILD:-$root/build-win32}
start=$(date +%s)
echo "Building Koerszicht for Windows in $build"
# The program file's icon: the artwork of app/icons/koerszicht.svg at the sizes Windows asks for
# (256 stored as PNG, as Windows expects it).
mkdir -p "$build/icon"
for size in 16 24 32 48 64 256; do
    rsvg-convert -w $size -h $size "$root/app/icons/koerszicht.svg" -o "$build/icon/$size.png"
done
icotool -c -o "$build/icon/koerszicht.ico" "$build"/icon/{16,24,32,48,64}.png -r "$build/icon/256.png"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$KZW_QT/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$KZW_TOOLCHAIN" \
    -DQT_ADDITIONAL_PACKAGES_PREFIX_PATH="$KZW_CURL" \
    -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON \
    -DSODIUM_INCLUDE_DIR="$KZW_SODIUM/include" -DSODIUM_LIBRARY="$KZW_SODIUM/lib/libsodium.a" \
    -DKOERSZICHT_WINDOWS_ICON="$build/icon/koerszicht.ico" \
    -DCMAKE_CROSSCOMPILING_EMULATOR=wine \
    -DKOERSZICHT_TESTS=$tests -DKOERSZICHT_WERROR="${KOERSZICHT_WERROR:-OFF}" >/dev/null
nice -n 19 cmake --build "$build" --parallel "$jobs" --target koerszicht
echo "Program built in $(elapsed "$start")"

# --- The folder that runs on Windows ----------------------------------------------------------
# The program, the Qt, curl and compiler-runtime DLLs beside it, Qt's plugins in their folders
# below it, and the starter history (looked up beside the program).
deploy=$build/deploy
rm -rf "$deploy"
mkdir -p "$deploy/platforms" "$deploy/styles"
gcc_dll() { i686-w64-mingw32-g++-posix -print-file-name="$1"; }
cp "$build/koerszicht.exe" "$deploy/"
cp "$KZW_QT"/bin/Qt6{Core,Gui,Widgets,Network}.dll "$KZW_CURL/bin/libcurl.dll" "$deploy/"
cp "$(gcc_dll libstdc++-6.dll)" "$(gcc_dll libgcc_s_dw2-1.dll)" /usr/i686-w64-mingw32/lib/libwinpthread-1.dll "$deploy/"
cp "$KZW_QT/plugins/platforms/qwindows.dll" "$deploy/platforms/"
cp "$KZW_QT"/plugins/styles/*.dll "$deploy/styles/"
for plugin in imageformats/qico.dll tls/qschannelbackend.dll; do
    if [ -f "$KZW_QT/plugins/$plugin" ]; then
        mkdir -p "$deploy/$(dirname "$plugin")"
        cp "$KZW_QT/plugins/$plugin" "$deploy/$plugin"
    fi
done
cp "$root/data/AEX.dat" "$deploy/"
# Every DLL that a file here imports and that comes from Qt, curl or the compiler is here too.
search=("$deploy" "$KZW_QT/bin" "$KZW_CURL/bin" "$(dirname "$(gcc_dll libstdc++-6.dll)")" /usr/i686-w64-mingw32/lib)
missing=0
while read -r pe; do
    while read -r dll; do
        [ -f "$deploy/$dll" ] && continue
        for dir in "${search[@]:1}"; do
            if [ -f "$dir/$dll" ]; then
                echo "build-windows: $(basename "$pe") needs $dll, which is not in the folder" >&2
                missing=1
            fi
        done
    done < <(i686-w64-mingw32-objdump -p "$pe" | sed -n 's/^\tDLL Name: //p')
done < <(find "$deploy" -name '*.exe' -o -name '*.dll')
[ $missing = 0 ] || exit 1
find "$deploy" \( -name '*.exe' -o -name '*.dll' \) -exec i686-w64-mingw32-strip --strip-unneeded {} +
echo "Deploy folder: $deploy ($(du -sh "$deploy" | cut -f1))"

# --- The installer ----------------------------------------------------------------------------
# Named as the update path expects it: the product name and the digits of the version
# ("versie 1.00d" gives Koerszicht100.exe).
version=$(sed -n 's/.*VersionText = "[^0-9]*\([0-9][0-9.]*\)[a-z]*";.*/\1/p' "$root/support/Product.h")
letter=$(sed -n 's/.*VersionText = "[^0-9]*[0-9][0-9.]*\([a-z]*\)";.*/\1/p' "$root/support/Product.h")
[ -n "$version" ] || { echo "build-windows: no version found in support/Product.h" >&2; exit 1; }
installer=$build/Koerszicht${version//./}.exe
# The installer's file lists, from the deploy folder: what it installs is what its uninstaller
# removes. Folders are removed only when empty, deepest first.
(
    cd "$deploy"
    previous=
    find . -type f | sed 's|^\./||' | LC_ALL=C sort | while read -r file; do
        folder=$(dirname "$file")
        if [ "$folder" != "$previous" ]; then
            if [ "$folder" = . ]; then echo 'SetOutPath "$INSTDIR"'; else echo "SetOutPath \"\$INSTDIR\\${folder//\//\\}\""; fi
            previous=$folder
        fi
        echo "File \"deploy/$file\""
    done >"$build/files-install.nsh"
    {
        find . -type f | sed 's|^\./||' | LC_ALL=C sort | while read -r file; do
            echo "Delete \"\$INSTDIR\\${file//\//\\}\""
        done
        find . -mindepth 1 -type d | sed 's|^\./||' | LC_ALL=C sort -r | while read -r folder; do
            echo "RMDir \"\$INSTDIR\\${folder//\//\\}\""
        done
    } >"$build/files-uninstall.nsh"
)
rm -f "$installer"
(cd "$build" && makensis -V2 -NOCD -DOUTFILE="$installer" -DVERSION="$version$letter" \
    "$root/packaging/windows/koerszicht.nsi")
echo "Installer: $installer ($(du -h "$installer" | cut -f1))"

# --- The tests of the core, under wine ----------------------------------------------------------
[ $tests = ON ] || exit 0
# The tests of the core, and the update window's, which runs the update path on Windows: the
# version list, the download, the signature, the companion program ended and the installer
# started (the tests' helper program stands in for both).
core_tests="$(sed -n 's/^koerszicht_add_test(\([a-z_0-9]*\) .*/\1/p' \
    "$root"/tests/{session,history,chart,quotes,update}/CMakeLists.txt) tst_versionsform"
echo "Building the tests of the core for Windows:" $core_tests
# shellcheck disable=SC2086
nice -n 19 cmake --build "$build" --parallel "$jobs" --target $core_tests koerszicht_testprogram process_helper_win
# For the update check of scripts/test-windows-installer.sh: the same files in an installer of
# the next version, as the maker site would offer it (the check signs it with a key of its own).
digits=${version//./}
next=$((10#$digits + 1))
mkdir -p "$build/update-check"
rm -f "$build"/update-check/*.exe
(cd "$build" && makensis -V2 -NOCD -DOUTFILE="$build/update-check/Koerszicht$next.exe" \
    -DVERSION="${next:0:1}.${next:1}a" "$root/packaging/windows/koerszicht.nsi")
winpath() { echo "Z:${1//\//\\}"; }
gcc_libs=$(dirname "$(gcc_dll libstdc++-6.dll)")
wine_path="$(winpath "$KZW_QT/bin");$(winpath "$KZW_CURL/bin");$(winpath "$gcc_libs");$(winpath /usr/i686-w64-mingw32/lib)"
pattern="^($(echo $core_tests | tr ' ' '|'))\$"
# The tests under wine, with the DLLs of Qt, curl and the compiler on wine's path. Runs here or
# inside the i386 tree, so it uses nothing of this script but its arguments.
wine_ctest() { # wine_ctest BUILD PREFIX WINEPATH QT_PLUGIN_PATH PATTERN
    export WINEPREFIX=$2 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPATH=$3 QT_PLUGIN_PATH=$4
    local status=0
    timeout 300 wineboot --init >/dev/null 2>&1 || true
    # The program's font, Verdana, is not among wine's: DejaVu Sans stands in for it, as
    # fontconfig makes it do on Linux, so that the chart's texts have the widths the tests expect.
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Verdana /t REG_SZ /d 'DejaVu Sans' /f >/dev/null 2>&1 || true
    # A run that never ends is tried once more (tests/CMakeLists.txt says why).
    ctest --test-dir "$1" --output-on-failure --repeat after-timeout:2 -R "$5" || status=$?
    wineserver -k 2>/dev/null || true
    return $status
}
prefix=${WINEPREFIX:-$build/wine-prefix}
plugins=$(winpath "$KZW_QT/plugins")
if command -v wine >/dev/null && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    wine_ctest "$build" "$prefix" "$wine_path" "$plugins" "$pattern"
    exit
fi
# Where wine does not run on this machine itself: in the i386 tree of scripts/wine32.sh, with the
# repository, the build, the cache and the compiler's DLLs bound in at their own paths.
echo "Wine does not run on this machine: the tests run in the i386 tree of scripts/wine32.sh"
tree_status=0
"$root/scripts/wine32.sh" setup >/dev/null || tree_status=$?
if [ $tree_status -eq 77 ]; then
    echo "build-windows: wine cannot run here; the Windows tests were built, not run" >&2
    exit 77
elif [ $tree_status -ne 0 ]; then
    echo "build-windows: the i386 tree could not be made; the Windows tests were built, not run" >&2
    exit 1
fi
mkdir -p "$prefix"
"$root/scripts/wine32.sh" run "$build" "$root" "$KZW_CACHE" "$gcc_libs" /usr/i686-w64-mingw32/lib "$prefix" -- \
    bash -c "set -euo pipefail; $(declare -f wine_ctest); wine_ctest \"\$@\"" _ \
    "$build" "$prefix" "$wine_path" "$plugins" "$pattern"
