#!/usr/bin/env bash
# Builds Ordello, checks the formatting, runs every test (the layer check among them), then runs each
# fuzz target a fixed, repeatable number of times (scripts/fuzz.sh). Each phase says how long it took.
# The exit code is non-zero when the formatting, the tests or the fuzzing fail.
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
fuzz=0
"$root/scripts/fuzz.sh" || fuzz=$?
phase fuzzing
[ "$format" -eq 0 ] && [ "$tests" -eq 0 ] && [ "$fuzz" -eq 0 ]
