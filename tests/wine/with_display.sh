#!/usr/bin/env bash
# Runs a command with an X display of its own: an Xvfb server on a display
# number the server picks itself (-displayfd), so that tests started at the
# same time never race for one, as xvfb-run -a's choice can.
#   tests/wine/with_display.sh COMMAND [ARGS...]
# Exits with the command's status.
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: with_display.sh COMMAND [ARGS...]" >&2; exit 2; }
command -v Xvfb >/dev/null || { echo "Xvfb is not installed (scripts/install-deps.sh installs it)" >&2; exit 1; }

number=$(mktemp)
server=
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  rm -f "$number"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
server=$!
# The server writes its number once it takes connections.
for _ in $(seq 1 200); do
  [ -s "$number" ] && break
  kill -0 "$server" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
[ -s "$number" ] || { echo "Xvfb gave no display number within 10 s" >&2; exit 1; }
status=0
DISPLAY=":$(head -n 1 "$number")" "$@" || status=$?
exit $status
