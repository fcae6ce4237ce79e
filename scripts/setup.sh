#!/usr/bin/env bash
# Shared set-up for the project's commands: installs the Debian packages that are
# missing (only those, so a warm machine pays nothing) and configures a build folder.
# Source it; do not run it.

# fonts-dejavu-core stands in for "Verdana"; fonts-liberation gives the About box's "Arial"
# a font with the same widths, so its fixed pixel layout holds.
KOERSZICHT_PACKAGES=(cmake ninja-build g++ qt6-base-dev libcurl4-openssl-dev libsodium-dev pkg-config
    fonts-dejavu-core fonts-liberation)
# What the tests need beyond the build: the desktop-entry and AppStream checkers, and openssl
# for the release-key script.
KOERSZICHT_TEST_PACKAGES=(desktop-file-utils appstream openssl)

ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg -s "$pkg" 2>/dev/null | grep -q '^Status: install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# configure_build <build dir> <build type> [extra cmake arguments...]
# KOERSZICHT_WERROR=ON in the environment (as .ci/run sets it) makes every warning an error.
configure_build() {
    local dir=$1 type=$2
    shift 2
    cmake -S "$KOERSZICHT_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" \
        -DKOERSZICHT_WERROR="${KOERSZICHT_WERROR:-OFF}" "$@" >/dev/null
}

KOERSZICHT_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
