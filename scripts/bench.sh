#!/usr/bin/env bash
# Builds the benchmarks (Release, build-bench/) and runs them; prints one table with the medians.
set -euo pipefail
source "$(dirname "$0")/setup.sh"
ensure_packages "${KOERSZICHT_PACKAGES[@]}" libbenchmark-dev
dir="$KOERSZICHT_ROOT/build-bench"
configure_build "$dir" Release -DKOERSZICHT_BENCH=ON -DKOERSZICHT_TESTS=OFF
cmake --build "$dir"
export QT_QPA_PLATFORM=offscreen
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
status=0
for bench in "$dir"/bench/bench_*; do
    [ -f "$bench" ] && [ -x "$bench" ] || continue
    echo "== $(basename "$bench")"
    "$bench" --benchmark_repetitions=9 --benchmark_report_aggregates_only=true \
        --benchmark_display_aggregates_only=true 2>/dev/null | grep -E '^(Benchmark|-+$|.*_median)' || status=1
done

# The start-up beside a bare Qt Widgets window built with the same Qt: the time from the launch
# to the first painted window and the peak memory by then (app/StartupProbe.h), medians of
# 61 starts each on a virtual X screen (a single start varies by several ms on a busy machine).
# The program starts as a new user's would, in folders of its own (the benchmarks above leave
# a history and settings behind), with the starter history and its sources pointed at a closed
# port. The bare window with a label and a list (--text) is a second yardstick: the part of the
# gap that any window showing text has.
# No session bus, and none launched: without this the bus library forks and execs a launcher
# (which fails here) when Qt's accessibility bridge first asks for the bus, a cost of the bench
# machine that no desktop has. Every start is measured so.
echo "== start-up beside a bare Qt window"
export DBUS_SESSION_BUS_ADDRESS=disabled:
home="$home/start-up"
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
mkdir -p "$home"
ensure_packages xvfb
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
# (errexit holds inside the trap too: a kill of the server already ended must not fail the run)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$(dirname "$home")"' EXIT
sleep 1
probe() { # command...: prints "<ms> <kB>"
    DISPLAY=$display QT_QPA_PLATFORM=xcb KOERSZICHT_STARTUP_PROBE=$(date +%s%N) "$@" 2>/dev/null |
        sed -n 's/^startup_ms=\([0-9]*\) peak_rss_kb=\([0-9]*\)$/\1 \2/p'
}
median() { sort -n | awk '{v[NR]=$1} END {print (NR ? v[int((NR+1)/2)] : 0)}'; }
ini="$XDG_CONFIG_HOME/Koerszicht/Koerszicht.ini"
mkdir -p "$(dirname "$ini")"
printf '[Sources]\nQuoteSite=http://127.0.0.1:1/\nClosingPricesSite=http://127.0.0.1:1/\nMakerSite=http://127.0.0.1:1/\nQuoteSources=page\nClosingPricesSources=list\n' >"$ini"
start=$(mktemp -d -p "$home")
cp "$KOERSZICHT_ROOT/data/AEX.dat" "$start/"
(cd "$start" && probe "$dir/koerszicht" >/dev/null) # the first start copies the starter history
: >"$home/bare" && : >"$home/text" && : >"$home/program"
# The three take turns in a rotating order, so that none of them always starts right after the
# same one (a start finds the machine as the one before left it).
for i in $(seq 61); do
    for k in 0 1 2; do
        case $(((i + k) % 3)) in
        0) probe "$dir/bench/bare_window" >>"$home/bare" ;;
        1) probe "$dir/bench/bare_window" --text >>"$home/text" ;;
        2) (cd "$start" && probe "$dir/koerszicht") >>"$home/program" ;;
        esac
    done
done
kill $xvfb 2>/dev/null || true
bare_ms=$(cut -d' ' -f1 "$home/bare" | median)
bare_kb=$(cut -d' ' -f2 "$home/bare" | median)
text_ms=$(cut -d' ' -f1 "$home/text" | median)
program_ms=$(cut -d' ' -f1 "$home/program" | median)
program_kb=$(cut -d' ' -f2 "$home/program" | median)
if [ "$bare_ms" -gt 0 ] && [ "$bare_kb" -gt 0 ] && [ "$text_ms" -gt 0 ] && [ "$program_ms" -gt 0 ]; then
    printf 'to the first painted window: program %s ms, bare window %s ms, ratio %s\n' "$program_ms" "$bare_ms" \
        "$(awk -v a="$program_ms" -v b="$bare_ms" 'BEGIN {printf "%.2f", a / b}')"
    printf '  the same with a label and a list: bare window %s ms, ratio %s\n' "$text_ms" \
        "$(awk -v a="$program_ms" -v b="$text_ms" 'BEGIN {printf "%.2f", a / b}')"
    printf 'peak memory by then: program %s MB, bare window %s MB, ratio %s\n' "$((program_kb / 1024))" \
        "$((bare_kb / 1024))" "$(awk -v a="$program_kb" -v b="$bare_kb" 'BEGIN {printf "%.2f", a / b}')"
else
    echo "start-up not measured: a start gave no figure"
    status=1
fi
exit $status
