#!/usr/bin/env bash
# Installs what is missing, builds a Release build in build/ and starts Koerszicht.
set -euo pipefail
source "$(dirname "$0")/setup.sh"
ensure_packages "${KOERSZICHT_PACKAGES[@]}"
configure_build "$KOERSZICHT_ROOT/build" Release
cmake --build "$KOERSZICHT_ROOT/build" --target koerszicht
# The starter history is found beside the program on a first run.
cd "$KOERSZICHT_ROOT/data"
exec "$KOERSZICHT_ROOT/build/koerszicht"
