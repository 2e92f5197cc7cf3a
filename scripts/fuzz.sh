#!/usr/bin/env bash
# Builds the libFuzzer targets (the "fuzz" preset: clang-14, address and undefined-behaviour sanitizers)
# and runs each fuzz/<name>.cpp target from its seeds in fuzz/corpus/<name>/.
# Usage: scripts/fuzz.sh [runs per target, default 20000] [seed, default 1]. With a fixed seed and count
# a run is repeatable, so the same code always gives the same verdict; pass another seed (or 0 for a
# random one) to explore. Each target also stops after 120 seconds. The exit code is non-zero when a
# target does not build or finds a crash, a leak, a time-out or runaway memory; the input is kept under
# build-fuzz/artifacts/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-20000}
seed=${2:-1}
jobs=${ORDELLO_JOBS:-$(nproc)}
cd "$root"

names=()
for source in fuzz/*.cpp; do
    names+=("$(basename "$source" .cpp)")
done
[ ${#names[@]} -eq 0 ] && exit 0

cmake --preset fuzz >/dev/null
cmake --build build-fuzz -j "$jobs" --target "${names[@]/#/fuzz_}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p build-fuzz/artifacts
status=0
for name in "${names[@]}"; do
    mkdir -p "$work/$name"
    seeds=()
    [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
    echo "Fuzzing $name: $runs runs, seed $seed"
    # New inputs go to the scratch corpus (the first folder), never into the seeds.
    if ! QT_QPA_PLATFORM=offscreen "build-fuzz/fuzz/fuzz_$name" \
        -runs="$runs" -seed="$seed" -max_total_time=120 -max_len=32768 -rss_limit_mb=2048 -timeout=10 \
        -artifact_prefix="build-fuzz/artifacts/$name-" \
        "$work/$name" "${seeds[@]}" >"$work/$name.log" 2>&1; then
        echo "fuzz_$name failed:"
        tail -n 60 "$work/$name.log"
        status=1
    else
        grep -E '^Done|stat::number_of_executed_units' "$work/$name.log" | tail -n 1 || true
    fi
done
exit $status
