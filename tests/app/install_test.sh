#!/usr/bin/env bash
# Installs the build into a temporary prefix, then starts the installed program with empty
# user folders in an empty current folder: it must find the installed starter history and
# close cleanly on SIGTERM.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

for file in bin/koerszicht share/koerszicht/AEX.dat share/koerszicht/README.md \
    share/applications/koerszicht.desktop share/metainfo/example.koerszicht.Koerszicht.metainfo.xml \
    share/icons/hicolor/scalable/apps/koerszicht.svg share/icons/hicolor/48x48/apps/koerszicht.png \
    share/icons/hicolor/128x128/apps/koerszicht.png share/icons/hicolor/256x256/apps/koerszicht.png; do
    [ -s "$prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done

mkdir -p "$work/home" "$work/empty"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data"
export QT_QPA_PLATFORM=offscreen
cd "$work/empty"
"$prefix/bin/koerszicht" &
pid=$!
sleep 4
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || { echo "the installed program exited with $status"; exit 1; }

copied="$XDG_DATA_HOME/Koerszicht/AEX.dat"
[ -s "$copied" ] || { echo "no history in the data folder"; exit 1; }
first=$(head -n 1 "$prefix/share/koerszicht/AEX.dat")
[ "$(head -n 1 "$copied")" = "$first" ] || { echo "the history is not the installed one"; exit 1; }
[ -s "$XDG_CONFIG_HOME/Koerszicht/Koerszicht.ini" ] || { echo "no settings written"; exit 1; }
echo "installed program found the starter history and closed cleanly"
