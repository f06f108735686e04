#!/usr/bin/env bash
# Runs the Windows test programs of a mingw build under wine64, in a fresh,
# private Wine prefix inside the build folder.
#   scripts/wine-tests.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: wine-tests.sh BUILD_DIR}
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINEPREFIX="$PWD/$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko prompts
rm -rf "$WINEPREFIX"
"$wine" wineboot --init >/dev/null 2>&1 || true
status=0
for exe in "$build"/tests/*.exe; do
  echo "-- $(basename "$exe") under Wine"
  "$wine" "$exe" || status=1
done
"$(dirname "$wine")/wineserver" -k 2>/dev/null || wineserver -k 2>/dev/null || true
exit $status
