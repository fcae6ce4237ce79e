#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite.
# Exit status 0 only when every test passes.
#   scripts/test.sh             the normal suite (Release build in build/)
#   scripts/test.sh --sanitize  the suite under AddressSanitizer and UBSan (build-sanitize/)
set -euo pipefail
source "$(dirname "$0")/setup.sh"

dir="$KOERSZICHT_ROOT/build"
type=Release
extra=()
if [ "${1:-}" = "--sanitize" ]; then
    dir="$KOERSZICHT_ROOT/build-sanitize"
    type=RelWithDebInfo
    extra=(-DKOERSZICHT_SANITIZE=ON)
fi

ensure_packages "${KOERSZICHT_PACKAGES[@]}" "${KOERSZICHT_TEST_PACKAGES[@]}"
configure_build "$dir" "$type" -DKOERSZICHT_TESTS=ON "${extra[@]}"
cmake --build "$dir"

export QT_QPA_PLATFORM=offscreen
if [ "$type" != Release ]; then
    # Leaks are findings too; the suppressions name only what Qt's and the system's libraries
    # keep for the life of the process (see the file).
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export LSAN_OPTIONS=suppressions=$KOERSZICHT_ROOT/tests/sanitizers/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
cd "$dir"
ctest --output-on-failure --timeout 300 -j"$(nproc)"
