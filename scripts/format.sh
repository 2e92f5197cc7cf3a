#!/usr/bin/env bash
# Formats every C++ source of the repository with its .clang-format.
# Usage: scripts/format.sh          rewrites the files that drift
#        scripts/format.sh --check  changes nothing; lists the files that drift and fails when there are any
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
format=$(command -v clang-format-14 || command -v clang-format)
mapfile -t files < <(git ls-files -- '*.cpp' '*.h' '*.h.in')
if [ "${1:-}" = "--check" ]; then
  # Starting clang-format costs more than checking a file: check in batches, and only a batch that drifts
  # file by file to name its files.
  mapfile -t drifting < <(printf '%s\0' "${files[@]}" | xargs -0 -P "$(nproc)" -n 100 sh -c '
    format=$0
    "$format" --dry-run --Werror "$@" >/dev/null 2>&1 && exit 0
    for file; do "$format" --dry-run --Werror "$file" >/dev/null 2>&1 || echo "$file"; done' "$format")
  if [ ${#drifting[@]} -gt 0 ]; then
    printf '%s\n' "${drifting[@]}"
    echo "format: ${#drifting[@]} file(s) differ from .clang-format; run scripts/format.sh to fix them." >&2
    exit 1
  fi
  exit 0
fi
printf '%s\0' "${files[@]}" | xargs -0 -P "$(nproc)" -n 20 "$format" -i
