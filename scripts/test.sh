#!/usr/bin/env bash
# Every test: installs what is missing, builds the Linux build (sanitized),
# both Windows builds, the benchmarks and the fuzz targets, runs the unit and
# conformance tests, the import check of the i686 programs, the Windows tests
# under Wine (conformance as Windows 98 and NT 4, SETUP.EXE's smoke test;
# SETUP_SKIP_WINE=1 leaves them out), each benchmark for a moment, each
# fuzzer over its seeds and then briefly on its own.
#
# Whether a ctest run passed is its exit status; how many of its tests passed
# and failed comes from the JUnit file it writes. The last line is always
# "N passed, N failed".
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
passed=0
failed=0
junit_dir=$(mktemp -d)
trap 'rm -rf "$junit_dir"' EXIT

# junit_counts FILE: "TESTS FAILED" of a ctest JUnit file, as ctest counts
# them: a disabled test is left out, one that skipped itself passed, one that
# could not start failed. Fails when the file is missing or unreadable.
junit_counts() {
  python3 - "$1" <<'PY'
import sys
import xml.etree.ElementTree as ET

tests = failed = 0
for case in ET.parse(sys.argv[1]).getroot().iter("testcase"):
    status = case.get("status")
    if status == "disabled":
        continue
    tests += 1
    skipped = case.find("skipped")
    if status == "run" and case.find("failure") is None and case.find("error") is None:
        continue
    if status == "notrun" and skipped is not None and skipped.get("message", "").startswith("SKIP_"):
        continue
    failed += 1
print(tests, failed)
PY
}

# count_ctest NAME STATUS JUNIT: adds one ctest run to the counts. A run that
# failed (crashed, a test that could not start) with no failure in its file,
# or that left no file, counts as one failed test more.
count_ctest() {
  local name=$1 status=$2 junit=$3 tests=0 bad=0 counts broken=0
  if counts=$(junit_counts "$junit" 2>/dev/null); then
    read -r tests bad <<<"$counts"
  else
    echo "$name: ctest wrote no JUnit file"
    broken=1
  fi
  if [ "$status" -ne 0 ]; then
    echo "$name: ctest exited with status $status"
    broken=1
  fi
  if [ "$broken" -eq 1 ] && [ "$bad" -eq 0 ]; then
    bad=1
    tests=$((tests + 1))
  fi
  echo "$name: $((tests - bad)) passed, $bad failed"
  passed=$((passed + tests - bad))
  failed=$((failed + bad))
}

# count_run NAME SUCCESS LOG COMMAND...: one pass or one failure for a
# command that is not a ctest run; its log is shown when it fails.
count_run() {
  local name=$1 success=$2 log=$3
  shift 3
  if "$@" >"$log" 2>&1; then
    echo "$name: $success"
    passed=$((passed + 1))
  else
    echo "$name: FAILED"; tail -n 40 "$log"
    failed=$((failed + 1))
  fi
}

echo "== Linux build"
cmake --preset linux
cmake --build --preset linux -j "$jobs"

echo "== Windows builds"
for preset in mingw64 mingw32; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
done

echo "== Benchmarks"
cmake --preset bench
cmake --build --preset bench -j "$jobs"
# Only started, to show they run; their numbers mean nothing on a shared machine.
for bench in build/bench/bench/*_bench; do
  name=$(basename "$bench")
  count_run "$name" runs "$junit_dir/$name.log" "$bench" --benchmark_min_time=0.01
done

echo "== Import check of the i686 programs"
# The i686 build's only tests: what its programs import, against Windows 95.
status=0
ctest --test-dir build/mingw32 --output-on-failure --no-tests=error -L imports \
  --output-junit "$junit_dir/imports.xml" || status=$?
count_ctest "Import check" "$status" "$junit_dir/imports.xml"

echo "== Windows tests under Wine"
# SETUP_SKIP_WINE=1 leaves them out (scripts/wine-tests.sh runs them alone).
if [ "${SETUP_SKIP_WINE:-0}" = "1" ]; then
  echo "left out (SETUP_SKIP_WINE=1)"
else
  status=0
  scripts/wine-tests.sh build/mingw64 --no-tests=error --output-junit "$junit_dir/wine.xml" || status=$?
  count_ctest "Windows tests" "$status" "$junit_dir/wine.xml"
fi

echo "== Fuzz targets"
cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs"
# Every seed replayed once (a test per fuzzer), then each fuzzer explores
# briefly from its seeds.
status=0
ctest --test-dir build/fuzz/fuzz --output-on-failure --no-tests=error \
  --output-junit "$junit_dir/fuzz.xml" || status=$?
count_ctest "Seed corpora" "$status" "$junit_dir/fuzz.xml"
for target in build/fuzz/fuzz/*_fuzz; do
  name=$(basename "$target")
  corpus="fuzz/corpus/${name%_fuzz}"
  work=$(mktemp -d)
  count_run "$name" "fuzzed for ${FUZZ_SECONDS:-30}s, no finding" "$work/fuzz.log" \
    "$target" -max_total_time="${FUZZ_SECONDS:-30}" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$work/" "$work" "$corpus"
done

echo "== Linux tests"
status=0
ctest --preset linux -j "$jobs" -LE wine --no-tests=error --output-junit "$junit_dir/linux.xml" || status=$?
count_ctest "Linux tests" "$status" "$junit_dir/linux.xml"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
