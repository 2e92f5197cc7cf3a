#!/usr/bin/env bash
# Builds Ordello, checks the formatting, runs every test (the layer check among them), runs each test
# executable once whole, then runs each fuzz target a fixed, repeatable number of times (scripts/fuzz.sh).
# Each phase says how long it took. The exit code is non-zero when the formatting, the tests (either way)
# or the fuzzing fail.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
started=$SECONDS
phase() {
    echo "test.sh: $1 took $((SECONDS - started)) s"
    started=$SECONDS
}
"$root/scripts/build.sh"
phase build
format=0
"$root/scripts/format.sh" --check || format=$?
phase "format check"
tests=0
(cd "$root/build" && ctest --output-on-failure -j "$(nproc)" --timeout 600) || tests=$?
phase "tests and layer check"
# ctest gives every test a process of its own, which hides tests that lean on what another left behind:
# each test executable also runs once whole, side by side, its output kept when it fails.
whole=0
find "$root/build/tests" -maxdepth 1 -type f -executable -name 'test_*' -print0 |
    xargs -0 -r -n 1 -P "$(nproc)" sh -c \
        'log="$1.whole.log"; if "$1" --gtest_brief=1 >"$log" 2>&1; then rm -f "$log"; else echo "$1 failed when run whole (exit $?): $log"; exit 1; fi' \
        whole || whole=$?
phase "whole test executables"
fuzz=0
"$root/scripts/fuzz.sh" || fuzz=$?
phase fuzzing
[ "$format" -eq 0 ] && [ "$tests" -eq 0 ] && [ "$whole" -eq 0 ] && [ "$fuzz" -eq 0 ]
