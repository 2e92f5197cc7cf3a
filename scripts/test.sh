#!/usr/bin/env bash
# Builds Ordello, checks the formatting, runs every test (the layer check among them), then runs each
# fuzz target a fixed, repeatable number of times (scripts/fuzz.sh).
# The exit code is non-zero when the formatting, the tests or the fuzzing fail.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
format=0
"$root/scripts/format.sh" --check || format=$?
tests=0
(cd "$root/build" && ctest --output-on-failure -j "$(nproc)" --timeout 600) || tests=$?
fuzz=0
"$root/scripts/fuzz.sh" || fuzz=$?
[ "$format" -eq 0 ] && [ "$tests" -eq 0 ] && [ "$fuzz" -eq 0 ]
