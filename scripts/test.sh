#!/usr/bin/env bash
# Builds Ordello and runs every test; the exit code is the tests'.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
cd "$root/build"
ctest --output-on-failure -j "$(nproc)" --timeout 600
