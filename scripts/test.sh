#!/usr/bin/env bash
# Builds Ordello, runs every test, then runs each fuzz target a fixed, repeatable number of times
# (scripts/fuzz.sh).
# The exit code is non-zero when either the tests or the fuzzing fail.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
tests=0
(cd "$root/build" && ctest --output-on-failure -j "$(nproc)" --timeout 600) || tests=$?
fuzz=0
"$root/scripts/fuzz.sh" || fuzz=$?
[ "$tests" -eq 0 ] && [ "$fuzz" -eq 0 ]
