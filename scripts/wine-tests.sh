#!/usr/bin/env bash
# Runs the tests of a mingw build that need Wine (ctest label "wine"): for
# the i686 build (the product) under 32-bit Wine as Windows 95, 98 and NT 4
# the conformance suite, the installation of the sample compared with the
# simulated machine's, the page host and SETUP.EXE's start; for the x86_64
# build the conformance suite under wine64 as NT 4. Each in a private Wine
# prefix inside the build folder.
#   scripts/wine-tests.sh BUILD_DIR [CTEST OPTIONS...]
# The comparisons need winsim of the linux build (build/linux). Exits with
# ctest's status. The options go to ctest as they are (`-j 2` runs tests
# side by side where their prefixes allow; `--output-junit FILE`, a relative
# FILE landing in BUILD_DIR, leaves the results for scripts/test.sh to count).
set -euo pipefail
build=${1:?usage: wine-tests.sh BUILD_DIR [CTEST OPTIONS...]}
shift
status=0
ctest --test-dir "$build" -L wine --output-on-failure "$@" || status=$?
# Leave no Wine server running behind the tests.
for prefix in "$build"/wineprefix-* "$build"/install-*/wineprefix; do
  [ -d "$prefix" ] || continue
  WINEPREFIX=$(cd "$prefix" && pwd) "$(command -v wineserver || echo /usr/lib/wine/wineserver)" -k 2>/dev/null || true
done
exit $status
