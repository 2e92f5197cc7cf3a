#!/usr/bin/env bash
# Runs a test executable with Qt's wayland platform under a private headless compositor:
#   run_under_weston.sh TEST_EXECUTABLE [ARGUMENTS...]
# The compositor gets a runtime folder and socket of its own and stops when the test ends. When it cannot
# start on this machine, the test still runs, with ORDELLO_WAYLAND_UNAVAILABLE saying why, and skips.
set -uo pipefail

runtime=$(mktemp -d "${TMPDIR:-/tmp}/ordello-weston.XXXXXX") || exit 1
chmod 700 "$runtime"
socket=ordello-test-$$
weston_pid=""

stop() {
  if [ -n "$weston_pid" ]; then
    kill "$weston_pid" 2>/dev/null
    wait "$weston_pid" 2>/dev/null
  fi
  rm -rf "$runtime"
}
trap stop EXIT

unavailable=""
if ! command -v weston >/dev/null 2>&1; then
  unavailable="weston is not installed (scripts/deps.sh installs it)"
else
  XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --shell=desktop-shell.so \
    --socket="$socket" --no-config --idle-time=0 --log="$runtime/weston.log" >"$runtime/weston.out" 2>&1 &
  weston_pid=$!
  # The socket appears once the compositor listens; it may also die first.
  for _ in $(seq 1 100); do
    [ -S "$runtime/$socket" ] && break
    kill -0 "$weston_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -S "$runtime/$socket" ]; then
    unavailable="weston did not start: $(cat "$runtime/weston.out" "$runtime/weston.log" 2>/dev/null | tail -n 3 |
      tr '\n' ' ')"
    kill "$weston_pid" 2>/dev/null
    wait "$weston_pid" 2>/dev/null
    weston_pid=""
  fi
fi

if [ -n "$unavailable" ]; then
  ORDELLO_WAYLAND_UNAVAILABLE="$unavailable" "$@"
else
  # A full path, so the test may point its own runtime folder elsewhere. The headless compositor has no
  # seat, and Qt's wayland text input asks the seat for the direction of a caret it draws: the plain
  # compose input method stands in for it.
  QT_QPA_PLATFORM=wayland QT_IM_MODULE=compose WAYLAND_DISPLAY="$runtime/$socket" "$@"
fi
