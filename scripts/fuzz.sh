#!/usr/bin/env bash
# Builds the libFuzzer targets (the "fuzz" preset: clang-14, address and undefined-behaviour sanitizers)
# and runs each fuzz/<name>.cpp target, starting from its seeds in fuzz/corpus/<name>/ when there are
# any. Targets run side by side, one per core.
# Usage: scripts/fuzz.sh [runs per target, default 20000] [seed, default 1]. A fixed seed and count make a
# run repeatable, so the same code always gets the same verdict; another seed (0: a random one) explores
# further. The runs share a time budget (ORDELLO_FUZZ_SECONDS, default 180 seconds of waiting): each
# target gets its share of the cores' time, at least 10 and at most 120 seconds, so fewer cores shorten
# each target's run rather than lengthen the phase. The exit code is non-zero when a target does not
# build or finds a crash, a leak, a time-out or runaway memory; the input that did it is kept under
# build-fuzz/artifacts/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-20000}
seed=${2:-1}
jobs=${ORDELLO_JOBS:-$(nproc)}
budget=${ORDELLO_FUZZ_SECONDS:-180}
cd "$root"

names=()
for source in fuzz/*.cpp; do
    names+=("$(basename "$source" .cpp)")
done
[ ${#names[@]} -eq 0 ] && exit 0
rounds=$(((${#names[@]} + jobs - 1) / jobs))
seconds=$((budget / rounds))
[ "$seconds" -lt 10 ] && seconds=10
[ "$seconds" -gt 120 ] && seconds=120

started=$SECONDS
cmake --preset fuzz >/dev/null
cmake --build build-fuzz -j "$jobs" --target "${names[@]/#/fuzz_}"
echo "Fuzz build: $((SECONDS - started)) s"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p build-fuzz/artifacts

run_target() {
    local name=$1
    local seeds=()
    mkdir -p "$work/$name"
    [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
    # New inputs go to the scratch corpus (the first folder), never into the seeds.
    set +e
    QT_QPA_PLATFORM=offscreen "build-fuzz/fuzz/fuzz_$name" \
        -runs="$runs" -seed="$seed" -max_total_time="$seconds" -max_len=32768 -rss_limit_mb=2048 -timeout=10 \
        -artifact_prefix="build-fuzz/artifacts/$name-" \
        "$work/$name" "${seeds[@]}" >"$work/$name.log" 2>&1
    echo $? >"$work/$name.status"
}

started=$SECONDS
echo "Fuzzing ${#names[@]} targets, $runs runs each with seed $seed (at most $seconds s), $jobs at a time"
for name in "${names[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
        wait -n || true
    done
    run_target "$name" &
done
wait

status=0
for name in "${names[@]}"; do
    if [ "$(cat "$work/$name.status" 2>/dev/null)" = "0" ]; then
        echo "fuzz_$name: $(grep -E '^Done' "$work/$name.log" | tail -n 1)"
    else
        echo "fuzz_$name failed:"
        tail -n 60 "$work/$name.log"
        status=1
    fi
done
echo "Fuzz runs: $((SECONDS - started)) s"
exit $status
