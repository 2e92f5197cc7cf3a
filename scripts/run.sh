#!/usr/bin/env bash
# Builds Ordello and starts it; without a display it runs under a virtual X server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting Ordello under a virtual X server (xvfb-run)."
  exec xvfb-run -a "$root/build/app/ordello" "$@"
fi
exec "$root/build/app/ordello" "$@"
