#!/usr/bin/env bash
# Builds the Debian package koerszicht_<version>_<arch>.deb in build-package/.
# Install it with: sudo apt-get install ./build-package/koerszicht_*.deb
set -euo pipefail
source "$(dirname "$0")/setup.sh"
ensure_packages "${KOERSZICHT_PACKAGES[@]}" dpkg-dev file
dir="$KOERSZICHT_ROOT/build-package"
configure_build "$dir" Release -DCMAKE_INSTALL_PREFIX=/usr -DKOERSZICHT_TESTS=OFF
cmake --build "$dir"
(cd "$dir" && cpack -G DEB)
ls -1 "$dir"/koerszicht_*.deb
