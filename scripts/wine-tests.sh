#!/usr/bin/env bash
# Runs the tests of a mingw build that need Wine (ctest label "wine"): the
# platform conformance suite under wine64 once as Windows 98 and once as
# Windows NT 4, each in a fresh, private Wine prefix inside the build folder,
# and SETUP.EXE's smoke test with Xvfb as its display.
#   scripts/wine-tests.sh BUILD_DIR [CTEST OPTIONS...]
# Exits with ctest's status. The options go to ctest as they are, so
# `--output-junit FILE` (a relative FILE lands in BUILD_DIR) leaves the
# results for scripts/test.sh to count.
set -euo pipefail
build=${1:?usage: wine-tests.sh BUILD_DIR [CTEST OPTIONS...]}
shift
status=0
ctest --test-dir "$build" -L wine --output-on-failure "$@" || status=$?
# Leave no Wine server running behind the tests.
for prefix in "$build"/wineprefix-*; do
  [ -d "$prefix" ] || continue
  WINEPREFIX=$(cd "$prefix" && pwd) "$(command -v wineserver || echo /usr/lib/wine/wineserver)" -k 2>/dev/null || true
done
exit $status
