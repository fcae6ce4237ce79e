#!/usr/bin/env bash
# Builds the fuzz targets with clang (build-fuzz/) and runs each for the given number of
# seconds (60 by default), starting from its seed corpus in fuzz/corpus/<target>/.
# What a run adds to the corpus stays in fuzz/corpus-run/<target>/; a crash or broken
# invariant leaves its input in fuzz/out/<target>/ and makes the exit status 1.
#   scripts/fuzz.sh [seconds] [target ...]      targets: the folder names in fuzz/corpus/
set -euo pipefail
source "$(dirname "$0")/setup.sh"

seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for corpus in "$KOERSZICHT_ROOT"/fuzz/corpus/*/; do
        targets+=("$(basename "$corpus")")
    done
fi

# The fuzzer runtime is only a recommendation of clang-14, and recommendations are not installed.
ensure_packages "${KOERSZICHT_PACKAGES[@]}" clang-14 libclang-rt-14-dev
dir="$KOERSZICHT_ROOT/build-fuzz"
configure_build "$dir" RelWithDebInfo -DKOERSZICHT_FUZZ=ON -DKOERSZICHT_TESTS=OFF \
    -DCMAKE_CXX_COMPILER=clang++-14
cmake --build "$dir" --target fuzzers --parallel "$(nproc)"

export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache"

status=0
for target in "${targets[@]}"; do
    run="$KOERSZICHT_ROOT/fuzz/corpus-run/$target"
    out="$KOERSZICHT_ROOT/fuzz/out/$target"
    mkdir -p "$run" "$out"
    echo "== $target: ${seconds} s"
    # Leaks are the sanitized suite's to find (its start-to-close runs of the program); here
    # the time goes to executions: Qt's caches would make libFuzzer scan for leaks at most of them.
    # Slow inputs (a history spanning every possible day) get less of the time than quick ones.
    if ! "$dir/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -detect_leaks=0 \
        -entropic_scale_per_exec_time=1 -print_final_stats=1 -artifact_prefix="$out/" \
        "$run" "$KOERSZICHT_ROOT/fuzz/corpus/$target" >"$out/run.log" 2>&1; then
        echo "   FINDING: see $out/run.log"
        tail -n 40 "$out/run.log"
        status=1
    fi
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$out/run.log" | sed 's/^/   /' || true
done
exit $status
