#!/usr/bin/env bash
# Every test: installs what is missing, builds the Linux build (sanitized),
# both Windows builds and the fuzz targets, runs the unit and conformance
# tests, the import check of the i686 programs, the Windows tests under Wine
# (conformance as Windows 98 and NT 4, SETUP.EXE's smoke test;
# SETUP_SKIP_WINE=1 leaves them out), and the fuzzers briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
passed=0
failed=0

echo "== Linux build"
cmake --preset linux
cmake --build --preset linux -j "$jobs"

echo "== Windows builds"
for preset in mingw64 mingw32; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
done

echo "== Import check of the i686 programs"
# The i686 build's only tests: what its programs import, against Windows 95.
if ctest --test-dir build/mingw32 --output-on-failure --no-tests=error -L imports; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

echo "== Windows tests under Wine"
# SETUP_SKIP_WINE=1 leaves them out (scripts/wine-tests.sh runs them alone).
if [ "${SETUP_SKIP_WINE:-0}" = "1" ]; then
  echo "left out (SETUP_SKIP_WINE=1)"
else
  wine_log=$(mktemp)
  if scripts/wine-tests.sh build/mingw64 2>&1 | tee "$wine_log"; then wine_ok=1; else wine_ok=0; fi
  summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$wine_log" || true)
  if [ -n "$summary" ]; then
    wine_total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
    wine_failed=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
  else
    wine_total=1; wine_failed=1
  fi
  [ "$wine_ok" -eq 1 ] || [ "$wine_failed" -gt 0 ] || wine_failed=1  # a crash counts as a failure
  passed=$((passed + wine_total - wine_failed))
  failed=$((failed + wine_failed))
fi

echo "== Fuzz targets"
cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs"
for target in build/fuzz/fuzz/*_fuzz; do
  name=$(basename "$target")
  corpus="fuzz/corpus/${name%_fuzz}"
  work=$(mktemp -d)
  # Replay the seeds, then explore briefly from them.
  if "$target" -runs=0 "$corpus" >"$work/replay.log" 2>&1 &&
     "$target" -max_total_time="${FUZZ_SECONDS:-30}" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$work/" "$work" "$corpus" >"$work/fuzz.log" 2>&1; then
    echo "$name: corpus replayed and fuzzed for ${FUZZ_SECONDS:-30}s, no finding"
    passed=$((passed + 1))
  else
    echo "$name: FAILED"; tail -n 40 "$work/replay.log" "$work/fuzz.log"
    failed=$((failed + 1))
  fi
done

echo "== Linux tests"
ctest_log=$(mktemp)
if ctest --preset linux -j "$jobs" -LE wine 2>&1 | tee "$ctest_log"; then ctest_ok=1; else ctest_ok=0; fi
summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$ctest_log" || true)
total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
ctest_failed=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
if [ -z "$summary" ]; then total=1; ctest_failed=1; fi
[ "$ctest_ok" -eq 1 ] || [ "$ctest_failed" -gt 0 ] || ctest_failed=1
passed=$((passed + total - ctest_failed))
failed=$((failed + ctest_failed))

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
