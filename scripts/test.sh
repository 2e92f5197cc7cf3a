#!/usr/bin/env bash
# Builds Ordello, checks the formatting, runs every test (the layer check among them), runs each test
# executable once whole, then runs each fuzz target a fixed, repeatable number of times (scripts/fuzz.sh).
# The exit code is non-zero when the formatting, the tests (either way) or the fuzzing fail.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
format=0
"$root/scripts/format.sh" --check || format=$?
tests=0
(cd "$root/build" && ctest --output-on-failure -j "$(nproc)" --timeout 600) || tests=$?
# ctest gives every test a process of its own, which hides tests that lean on what another left behind:
# each test executable also runs once whole, side by side, its output kept when it fails.
whole=0
find "$root/build/tests" -maxdepth 1 -type f -executable -name 'test_*' -print0 |
    xargs -0 -r -n 1 -P "$(nproc)" sh -c \
        'log="$1.whole.log"; if "$1" --gtest_brief=1 >"$log" 2>&1; then rm -f "$log"; else echo "$1 failed when run whole (exit $?): $log"; exit 1; fi' \
        whole || whole=$?
fuzz=0
"$root/scripts/fuzz.sh" || fuzz=$?
[ "$format" -eq 0 ] && [ "$tests" -eq 0 ] && [ "$whole" -eq 0 ] && [ "$fuzz" -eq 0 ]
