#!/usr/bin/env bash
# Every test. Installs what is missing, then, each stage named with the time
# since the start:
#   - the Linux build (sanitized) and its tests, first, so that a failure
#     shows early; each benchmark of that build for a moment;
#   - the i686 build (the product): the import check of its programs against
#     Windows 95, and its programs under 32-bit Wine as Windows 95, 98 and
#     NT 4 (conformance suite, installation compared with the simulated
#     machine's, the page host, SETUP.EXE's start);
#   - the x86_64 build and the conformance suite under wine64 as NT 4;
#   - the fuzz targets: every seed once, then each fuzzer for FUZZ_SECONDS
#     (30) from its seeds, two at a time.
# SETUP_SKIP_WINE=1 leaves out the Wine tests (scripts/wine-tests.sh runs
# them alone). On a machine that cannot start 32-bit programs the i686 Wine
# tests are left out with a message; SETUP_REQUIRE_WINE32=1 counts that as a
# failure.
#
# Whether a ctest run passed is its exit status; how many of its tests passed
# and failed comes from the JUnit file it writes. The last line is always
# "N passed, N failed".
set -euo pipefail
cd "$(dirname "$0")/.."

start=$(date +%s)
elapsed() {
  local seconds=$(($(date +%s) - start))
  printf '%d:%02d' $((seconds / 60)) $((seconds % 60))
}
stage() { printf '\n== %s  [%s]\n' "$1" "$(elapsed)"; }

stage "Dependencies"
scripts/install-deps.sh test

# A clone in another folder compiles the same sources: let the compiler
# cache see paths below the checkout as relative, and not tell two folders'
# debug information apart, so a fresh clone finds what an earlier one built.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"

cores=$(nproc)
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

# ctest_run NAME JUNIT_NAME CTEST ARGUMENTS...: one ctest run, counted.
ctest_run() {
  local name=$1 junit="$junit_dir/$2.xml" status=0
  shift 2
  ctest --output-on-failure --no-tests=error --output-junit "$junit" "$@" || status=$?
  count_ctest "$name" "$status" "$junit"
}

wine=1
[ "${SETUP_SKIP_WINE:-0}" = "1" ] && wine=0

# A kernel without IA-32 emulation (built so, booted with ia32_emulation=off,
# or a virtual machine that runs 64-bit user code only) cannot start any
# 32-bit program, Wine's 32-bit loader included: there the
# i686 programs' Wine tests cannot run at all. They are then left out, said
# loudly and not counted, unless SETUP_REQUIRE_WINE32=1 makes that a failure.
wine32=1
if [ "$wine" = 1 ] && [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  wine32=0
fi

stage "Linux build"
cmake --preset linux
cmake --build --preset linux -j "$cores"

stage "Linux tests"
ctest_run "Linux tests" linux --preset linux -j "$cores" -LE wine

stage "Benchmarks of the Linux build, a moment each"
# Only started, to show they run: the build is sanitized and the machine
# shared, so the figures mean nothing here (scripts/bench.sh measures).
for bench in build/linux/bench/*_bench; do
  name=$(basename "$bench")
  count_run "$name" runs "$junit_dir/$name.log" "$bench" --benchmark_min_time=0.01
done

stage "i686 build (the product)"
cmake --preset mingw32
cmake --build --preset mingw32 -j "$cores"

stage "Import check of the i686 programs"
ctest_run "Import check" imports --test-dir build/mingw32 -L imports

if [ "$wine" = 1 ]; then
  stage "i686 programs under 32-bit Wine: Windows 95, 98 and NT 4"
  if [ "$wine32" = 1 ]; then
    status=0
    scripts/wine-tests.sh build/mingw32 -j "$cores" --no-tests=error --output-junit "$junit_dir/wine32.xml" || status=$?
    count_ctest "i686 under Wine" "$status" "$junit_dir/wine32.xml"
  else
    echo "i686 under Wine: LEFT OUT, not run and not counted: this machine cannot start"
    echo "  32-bit programs ($( (/usr/lib/wine/wine --version) 2>&1 | head -n 1 | sed "s/^.*line [0-9]*: //"))."
    echo "  Its kernel runs 64-bit programs only (IA-32 emulation off). The i686"
    echo "  programs were built and their imports checked above."
    if [ "${SETUP_REQUIRE_WINE32:-0}" = "1" ]; then
      echo "i686 under Wine: FAILED (SETUP_REQUIRE_WINE32=1)"
      failed=$((failed + 1))
    fi
  fi
fi

stage "x86_64 build"
cmake --preset mingw64
# SETUP.EXE and what its Wine test runs; the rest of the tests are the i686 build's.
cmake --build --preset mingw64 -j "$cores" --target setup_exe thunk32 setup32 inst16 platform_conformance_tests

if [ "$wine" = 1 ]; then
  stage "x86_64 conformance under wine64: NT 4"
  status=0
  scripts/wine-tests.sh build/mingw64 -j "$cores" --no-tests=error --output-junit "$junit_dir/wine64.xml" || status=$?
  count_ctest "x86_64 under Wine" "$status" "$junit_dir/wine64.xml"
else
  echo "Wine tests left out (SETUP_SKIP_WINE=1)"
fi

stage "Fuzz targets"
cmake --preset fuzz
cmake --build --preset fuzz -j "$cores"
# Every seed replayed once (a test per fuzzer).
ctest_run "Seed corpora" fuzz --test-dir build/fuzz/fuzz -j "$cores"

stage "Fuzzers, ${FUZZ_SECONDS:-30} s each from their seeds, $cores at a time"
# fuzz_one TARGET STATUS_FILE: one fuzzer's session; its exit status in the file.
fuzz_one() {
  local target=$1 result=$2 name corpus work status=0
  name=$(basename "$target")
  corpus="fuzz/corpus/${name%_fuzz}"
  work=$(mktemp -d)
  "$target" -max_total_time="${FUZZ_SECONDS:-30}" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$work/" "$work" "$corpus" >"$result.log" 2>&1 || status=$?
  echo "$status" >"$result"
  [ "$status" -ne 0 ] || rm -rf "$work"
}
targets=(build/fuzz/fuzz/*_fuzz)
for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$cores" ]; do wait -n || true; done
  fuzz_one "$target" "$junit_dir/$(basename "$target").status" &
done
wait
for target in "${targets[@]}"; do
  name=$(basename "$target")
  if [ "$(cat "$junit_dir/$name.status" 2>/dev/null)" = 0 ]; then
    echo "$name: fuzzed for ${FUZZ_SECONDS:-30}s, no finding"
    passed=$((passed + 1))
  else
    echo "$name: FAILED"; tail -n 40 "$junit_dir/$name.status.log"
    failed=$((failed + 1))
  fi
done

stage "Done"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
