#!/usr/bin/env bash
# Runs the program (Release build in build/) under Valgrind's memcheck from start to close:
# fresh user folders, the starter history, every site on a closed local port. After the
# update check (10 s after the start) the program is closed the way a logout closes it.
# Exit status 0 only when memcheck reports no invalid access and no lost memory.
#   scripts/memcheck.sh [seconds to let it run, 60 by default]
set -euo pipefail
source "$(dirname "$0")/setup.sh"

seconds=${1:-60}
ensure_packages "${KOERSZICHT_PACKAGES[@]}" valgrind
configure_build "$KOERSZICHT_ROOT/build" Release
cmake --build "$KOERSZICHT_ROOT/build" --target koerszicht --parallel "$(nproc)"

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export QT_QPA_PLATFORM=offscreen HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
export XDG_CACHE_HOME="$home/cache" http_proxy= https_proxy= HTTP_PROXY= HTTPS_PROXY=
mkdir -p "$home/config/Koerszicht" "$home/work"
printf '[Sources]\nQuoteSite=http://127.0.0.1:1/\nClosingPricesSite=http://127.0.0.1:1/\nMakerSite=http://127.0.0.1:1/\nQuoteSources=page\nClosingPricesSources=list\n' \
    >"$home/config/Koerszicht/Koerszicht.ini"
cp "$KOERSZICHT_ROOT/data/AEX.dat" "$home/work/"
cd "$home/work"

valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,indirect,possible \
    --errors-for-leak-kinds=definite,indirect,possible --num-callers=40 --error-exitcode=42 \
    --log-file="$home/memcheck.log" "$KOERSZICHT_ROOT/build/koerszicht" &
program=$!
sleep "$seconds"
kill -TERM "$program"
status=0
wait "$program" || status=$?
grep -E 'ERROR SUMMARY|definitely lost|indirectly lost|possibly lost' "$home/memcheck.log" | sed 's/^==[0-9]*== //'
if [ "$status" -ne 0 ]; then
    cat "$home/memcheck.log"
    echo "memcheck: the program ended with status $status"
    exit 1
fi
# Closing writes the day count: without it the program did not close normally.
if ! grep -q '^Dagen=' "$home/config/Koerszicht/Koerszicht.ini"; then
    echo "memcheck: the program did not close normally"
    exit 1
fi
