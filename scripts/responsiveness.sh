#!/usr/bin/env bash
# Measures how Koerszicht's window stays responsive while the network misbehaves: it starts the
# program under Xvfb once per fault, against loopback servers, and prints a table of the time to
# the first shown main window, the longest unanswered _NET_WM_PING, and the time to exit after
# SIGTERM. A measurement, not a test: it always prints the table and passes no judgement.
#   scripts/responsiveness.sh [program]     program defaults to build/koerszicht (built if missing)
# RESPONSIVENESS_SECONDS (default 20) sets how long each start is watched after its window shows.
set -euo pipefail
source "$(dirname "$0")/setup.sh"

program=${1:-$KOERSZICHT_ROOT/build/koerszicht}
ensure_packages xvfb xauth python3-xlib
if [ ! -x "$program" ]; then
    ensure_packages "${KOERSZICHT_PACKAGES[@]}"
    configure_build "$KOERSZICHT_ROOT/build" Release
    cmake --build "$KOERSZICHT_ROOT/build" --target koerszicht
    program=$KOERSZICHT_ROOT/build/koerszicht
fi

# Debian's own Python, which has python3-xlib, whatever python3 comes first on the PATH.
exec xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" \
    /usr/bin/python3 -B "$KOERSZICHT_ROOT/scripts/responsiveness/measure.py" "$program" "$KOERSZICHT_ROOT/data"
