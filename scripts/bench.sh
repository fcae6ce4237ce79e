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
exit $status
