# The Qt and libcurl for 32-bit Windows that scripts/build-windows.sh builds once and keeps
# outside the repository, and the key that names them. Source it; do not run it.
#
# The key is a short hash of what decides the result: the Debian versions of Qt (qt6-base,
# which must match the host Qt that supplies moc, rcc and uic), of curl and of the mingw-w64
# compiler, the compiler's toolchain file, and the configure options and source mends below as
# this file spells them. Changing any of them gives a new key, and so a new build; a build
# with the same key is reused. Comments here do not count.

KOERSZICHT_ROOT=${KOERSZICHT_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
KZW_CACHE=${KOERSZICHT_WINDOWS_CACHE:-/var/cache/koerszicht-windows}
KZW_TOOLCHAIN=$KOERSZICHT_ROOT/cmake/mingw-w64-i686.cmake

# Qt's configure options. Shared libraries (Debian's Qt is LGPL; the program ships the DLLs
# beside itself). Off: what the program does not use, and OpenGL/Direct2D (software drawing
# is enough for a chart and keeps the folder small). FreeType on gives the 'offscreen' platform
# plugin, which the tests use. Network uses Schannel, Windows' own TLS.
# The source tarball (+dfsg) lacks the wintab headers, hence tabletevent off.
KZW_QT_OPTIONS=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=ON -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_sql=OFF -DFEATURE_opengl=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF -DFEATURE_vulkan=OFF -DFEATURE_direct2d=OFF
    -DFEATURE_tabletevent=OFF -DFEATURE_freetype=ON -DFEATURE_fontconfig=OFF
    -DFEATURE_jpeg=OFF -DFEATURE_openssl=OFF -DFEATURE_dtls=OFF -DFEATURE_sctp=OFF
    -DFEATURE_schannel=ON -DFEATURE_testlib=ON -DFEATURE_network=ON
    -DFEATURE_androiddeployqt=OFF -DFEATURE_windeployqt=OFF -DFEATURE_pkg_config=OFF
)

# libcurl: HTTP and HTTPS only, TLS through Schannel, nothing else linked in.
KZW_CURL_OPTIONS=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=ON -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DHTTP_ONLY=ON
    -DCURL_USE_SCHANNEL=ON -DCURL_USE_LIBPSL=OFF -DCURL_USE_LIBSSH2=OFF -DUSE_LIBIDN2=OFF
    -DUSE_WIN32_IDN=OFF -DCURL_ZLIB=OFF -DENABLE_UNIX_SOCKETS=OFF -DCURL_DISABLE_LDAP=ON
)

# Two mends to the 'windows' platform plugin of Qt 6.4.2, which does not build with OpenGL and
# Direct2D off:
#  - with OpenGL off, dynamicgl stays on, and qwindowswindow.cpp then uses QOpenGLStaticContext;
#  - with Direct2D off, QtGui leaves out the DirectWrite font database that qwindowsintegration.cpp
#    still refers to under directwrite3 (an undefined reference when linking qwindows.dll).
# Each line is checked before it is changed: a line that is neither the expected one nor the
# mended one stops the build. Running it twice changes nothing.
kzw_mend_qt() {
    local src=$1 plugin=src/plugins/platforms/windows
    kzw_mend_line "$src/$plugin/qwindowswindow.cpp" 17 \
        '#if QT_CONFIG(dynamicgl)' '#if QT_CONFIG(dynamicgl) && QT_CONFIG(opengl)' || return 1
    kzw_mend_line "$src/$plugin/qwindowswindow.cpp" 2296 \
        '#if QT_CONFIG(dynamicgl)' '#if QT_CONFIG(dynamicgl) && QT_CONFIG(opengl)' || return 1
    kzw_mend_line "$src/$plugin/qwindowsintegration.cpp" 16 \
        '#if QT_CONFIG(directwrite3)' '#if QT_CONFIG(directwrite3) && QT_CONFIG(direct2d)' || return 1
    kzw_mend_line "$src/$plugin/qwindowsintegration.cpp" 506 \
        '#if QT_CONFIG(directwrite3)' '#if QT_CONFIG(directwrite3) && QT_CONFIG(direct2d)' || return 1
}

# kzw_mend_line <file> <line number> <expected text> <new text>
kzw_mend_line() {
    local file=$1 line=$2 old=$3 new=$4 current escaped
    current=$(sed -n "${line}p" "$file")
    if [ "$current" = "$new" ]; then
        return 0
    fi
    if [ "$current" != "$old" ]; then
        echo "build-windows: cannot mend $file line $line: expected '$old', found '$current'" >&2
        return 1
    fi
    escaped=$(printf '%s' "$new" | sed 's/[&/\\]/\\&/g')
    sed -i "${line}s/.*/$escaped/" "$file"
    if [ "$(sed -n "${line}p" "$file")" != "$new" ]; then
        echo "build-windows: mending $file line $line failed" >&2
        return 1
    fi
}

# The version of an installed Debian package, or else the one apt would install, or "none".
kzw_package_version() {
    local version
    # (one line: a package installed for two architectures, as wine's i386 libraries bring, is
    # listed twice)
    version=$(dpkg-query -W -f='${Version}\n' "$1" 2>/dev/null | head -n 1 || true)
    if [ -z "$version" ]; then
        version=$(apt-cache policy "$1" 2>/dev/null | sed -n 's/^ *Candidate: //p' || true)
    fi
    echo "${version:-none}"
}

# The source versions: Qt's must be the host Qt's; curl's the same as the machine's libcurl.
kzw_source_version() {
    local version
    version=$(dpkg-query -W -f='${source:Version}\n' "$1" 2>/dev/null | head -n 1 || true)
    echo "${version:-none}"
}

kzw_compute_key() {
    KZW_QT_VERSION=$(kzw_source_version qt6-base-dev)
    KZW_CURL_VERSION=$(kzw_source_version libcurl4)
    KZW_MINGW_VERSION=$(kzw_package_version g++-mingw-w64-i686-posix)
    KZW_KEY=$({
        echo "qt6-base $KZW_QT_VERSION"
        echo "curl $KZW_CURL_VERSION"
        echo "mingw $KZW_MINGW_VERSION"
        cat "$KZW_TOOLCHAIN" 2>/dev/null || true
        declare -p KZW_QT_OPTIONS KZW_CURL_OPTIONS
        declare -f kzw_mend_qt kzw_mend_line
    } | sha256sum | cut -c1-12)
    KZW_QT=$KZW_CACHE/qt-$KZW_KEY
    KZW_CURL=$KZW_CACHE/curl-$KZW_KEY
}

# libsodium (installer signatures) has a key of its own, so that it can change without a new Qt.
# Built static: one DLL fewer beside the program (its licence, ISC, allows it).
KZW_SODIUM_OPTIONS=(--disable-shared --enable-static --disable-dependency-tracking)

kzw_compute_sodium_key() {
    KZW_SODIUM_VERSION=$(kzw_source_version libsodium-dev)
    KZW_SODIUM_KEY=$({
        echo "libsodium $KZW_SODIUM_VERSION"
        echo "mingw $KZW_MINGW_VERSION"
        declare -p KZW_SODIUM_OPTIONS
    } | sha256sum | cut -c1-12)
    KZW_SODIUM=$KZW_CACHE/sodium-$KZW_SODIUM_KEY
}

# True when Qt, libcurl and libsodium for Windows of the current keys are built and installed.
kzw_cache_complete() {
    [ -f "$KZW_QT/.complete" ] && [ -f "$KZW_CURL/.complete" ] && [ -f "$KZW_SODIUM/.complete" ]
}

# True when the Qt for Windows of the current key is there: the long part. What else is
# missing (libcurl, libsodium) scripts/build-windows.sh builds in a few minutes.
kzw_qt_cached() {
    [ -f "$KZW_QT/.complete" ]
}

kzw_compute_key
kzw_compute_sodium_key
