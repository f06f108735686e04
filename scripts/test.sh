#!/usr/bin/env bash
# Every test: installs what is missing, builds the Linux build (sanitized),
# both Windows builds and the fuzz targets, runs the unit and conformance
# tests, the Windows conformance tests under Wine, and the fuzzers briefly.
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

echo "== Windows conformance tests under Wine"
scripts/wine-tests.sh build/mingw64 && passed=$((passed + 1)) || failed=$((failed + 1))

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
if ctest --preset linux -j "$jobs"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

echo "test stages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
