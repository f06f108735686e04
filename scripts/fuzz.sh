#!/bin/sh
# A fuzzing campaign: builds the fuzz targets and runs each for SECONDS
# (default 600) from its seed corpus, one after the other. New inputs go to a
# work folder, never into fuzz/corpus; a finding is kept there as crash-*,
# leak-*, timeout-* or oom-* and the script ends with status 1.
#
#   scripts/fuzz.sh [SECONDS]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-600}
jobs=${SETUP_JOBS:-2}

# What the script is doing goes to standard error; the table to standard output.
echo "fuzz: building the fuzz targets (build/fuzz)" >&2
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs" >&2

work=${FUZZ_WORK:-build/fuzz-campaign}
mkdir -p "$work"
status=0
printf '%-22s %10s %8s %8s  %s\n' target executions corpus coverage result
count=$(ls build/fuzz/fuzz/*_fuzz | wc -l)
n=0
for target in build/fuzz/fuzz/*_fuzz; do
  name=$(basename "$target")
  n=$((n + 1))
  echo "fuzz: $name ($n of $count) for $seconds s from its seeds, new inputs in $work/$name" >&2
  dir="$work/$name"
  mkdir -p "$dir/corpus"
  log="$dir/fuzz.log"
  if "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$dir/" "$dir/corpus" "fuzz/corpus/${name%_fuzz}" >"$log" 2>&1; then
    result="no finding"
  else
    result="FINDING: see $dir"
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  units=$(ls "$dir/corpus" | wc -l)
  cov=$(sed -n 's/.*cov: \([0-9]*\).*/\1/p' "$log" | tail -n 1)
  printf '%-22s %10s %8s %8s  %s\n' "$name" "${runs:-?}" "$units" "${cov:-?}" "$result"
done
exit $status
