#!/usr/bin/env bash
# Measures the setup program on synthetic distributions and prints every
# figure beside its baseline, in one run on one machine:
#   - `winsim plan` and the preparation benchmark at 500, 5,000 and 20,000
#     one-byte files (ten per component, four registry values each) and
#     their growth from 5,000 to 20,000 files;
#   - a whole unattended run (`winsim run … /S`) against `cp -r` of the same
#     files, at each size and for 5,000 files of 40 KB (200 MB);
#   - the run with 40 registry values per component against the one with 4;
#   - SZDD expansion and compression of a 20 MB file against msexpand and
#     mscompress;
#   - the peak resident memory of the runs above winsim's own floor (the
#     peak of `winsim new`) against twice the largest file plus the script
#     text.
#   scripts/bench.sh [--quick]      --quick: the smallest size only
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
if [ "${1:-}" = "--quick" ]; then quick=1; fi
sizes=(500 5000 20000)
if [ "$quick" = 1 ]; then sizes=(500); fi

# What the script is doing goes to standard error; the figures to standard output.
say() { echo "bench: $*" >&2; }

say "building the bench preset (build/bench)"
cmake --preset bench >/dev/null
cmake --build --preset bench --target winsim szdd_tool make_distribution measure distribution_bench \
  language_libraries >/dev/null

build=build/bench
winsim=$build/tools/winsim/winsim
szdd=$build/tools/szdd/szdd
measure=$build/bench/measure
make_distribution=$build/bench/make_distribution
library=$build/resources/_INSTALL.ENU
work=$(mktemp -d "${TMPDIR:-/tmp}/setup-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# timed COMMAND...: "SECONDS PEAK_KB CPU_SECONDS" of the command, its own output dropped.
timed() {
  "$measure" "$@" 2>&1 >/dev/null | tail -n 1
}

# distribution NAME SHAPE: the distribution in $work/cd-NAME and a fresh
# Windows 98 machine with it on drive D in $work/m-NAME.
distribution() {
  say "making the distribution $1 ($2) and a fresh Windows 98 machine"
  "$make_distribution" "$work/cd-$1" "$library" "$2"
  "$winsim" new "$work/m-$1" --os win98 >/dev/null
  "$winsim" insert "$work/m-$1" "$work/cd-$1" >/dev/null
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

read -r _ floor _ < <(timed "$winsim" new "$work/floor-machine" --os win98)
rm -rf "$work/floor-machine"

printf '%-50s %10s %10s %7s\n' "figure" "value" "baseline" "ratio"
row() { printf '%-50s %10s %10s %7s\n' "$1" "$2" "$3" "$(ratio "$2" "$3")"; }

declare -A plan_s run_s cp_s run_cpu cp_cpu
for n in "${sizes[@]}"; do
  components=$((n / 10))
  distribution "$n" "components=$components,files=10,size=1,registry=4"
  say "timing winsim plan, winsim run /S and cp -r of $n files"
  read -r plan_s[$n] _ _ < <(timed "$winsim" plan "$work/m-$n" 'D:\SETUP.EXE' /S)
  read -r run_s[$n] peak run_cpu[$n] < <(timed "$winsim" run "$work/m-$n" 'D:\SETUP.EXE' /S)
  read -r cp_s[$n] _ cp_cpu[$n] < <(timed cp -r "$work/cd-$n" "$work/copy-$n")
  row "winsim plan, $n files (s)" "${plan_s[$n]}" "-"
  row "winsim run /S, $n files (s) vs cp -r" "${run_s[$n]}" "${cp_s[$n]}"
  row "  processor time (s) vs cp -r" "${run_cpu[$n]}" "${cp_cpu[$n]}"
  script_kb=$(( $(stat -c %s "$work/cd-$n/SETUP.INF") / 1024 + 1 ))
  row "  memory above the floor (KB) vs 2 x file + script" "$((peak - floor))" "$((2 + script_kb))"
  rm -rf "$work/copy-$n" "$work/m-$n"
  [ "$n" = 5000 ] || rm -rf "$work/cd-$n"
done

# The preparation benchmark at every size, in milliseconds: the median of
# five repetitions, as one slow repetition on a shared machine moves a mean.
declare -A prepare_ms
say "running the preparation benchmark, five times at each size"
list=$(IFS=,; echo "${sizes[*]}")
while IFS=, read -r name _ real _; do
  files=${name##*/}
  prepare_ms[${files%_median}]=$real
done < <(BENCH_FILES=$list "$build/bench/distribution_bench" --benchmark_filter=BM_Prepare \
           --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
           --benchmark_format=csv 2>/dev/null | grep '^"BM_Prepare/[0-9]*_median' | tr -d '"')
for n in "${sizes[@]}"; do row "preparation benchmark, $n files (ms)" "${prepare_ms[$n]}" "-"; done

if [ "$quick" = 0 ]; then
  row "growth 5,000 -> 20,000: winsim plan" "${plan_s[20000]}" "${plan_s[5000]}"
  row "growth 5,000 -> 20,000: preparation" "${prepare_ms[20000]}" "${prepare_ms[5000]}"
  row "growth 5,000 -> 20,000: winsim run" "${run_s[20000]}" "${run_s[5000]}"

  distribution reg40 "components=500,files=10,size=1,registry=40"
  say "timing the run with 40 registry values per component"
  read -r reg40_s _ reg40_cpu < <(timed "$winsim" run "$work/m-reg40" 'D:\SETUP.EXE' /S)
  row "run, 40 registry values vs 4 (s)" "$reg40_s" "${run_s[5000]}"
  row "  processor time (s)" "$reg40_cpu" "${run_cpu[5000]}"
  rm -rf "$work/m-reg40" "$work/cd-reg40" "$work/cd-5000"

  distribution big "components=500,files=10,size=40000,registry=4"
  say "timing the run of 5,000 files of 40 KB against cp -r"
  read -r big_s big_peak big_cpu < <(timed "$winsim" run "$work/m-big" 'D:\SETUP.EXE' /S)
  read -r big_cp _ big_cp_cpu < <(timed cp -r "$work/cd-big" "$work/copy-big")
  row "run, 5,000 files of 40 KB (s) vs cp -r" "$big_s" "$big_cp"
  row "  processor time (s) vs cp -r" "$big_cpu" "$big_cp_cpu"
  script_kb=$(( $(stat -c %s "$work/cd-big/SETUP.INF") / 1024 + 1 ))
  row "  memory above the floor (KB) vs 2 x file + script" "$((big_peak - floor))" "$((2 * 40 + script_kb))"
  rm -rf "$work/m-big" "$work/cd-big" "$work/copy-big"
fi

# SZDD on the same 20 MB file of text-like lines (1 MB with --quick).
mb=20
if [ "$quick" = 1 ]; then mb=1; fi
say "timing SZDD compression and expansion of $mb MB against mscompress and msexpand"
mkdir "$work/szdd"
awk -v size=$((mb * 1024 * 1024)) 'BEGIN {
  srand(7)
  split("the of setup driver display file window registry copy version install program folder value key section", w, " ")
  for (n = 0; n < size; n += length(line) + 1) {
    line = ""
    for (i = 0; i < 12; i++) line = line w[int(rand() * 16) + 1] int(rand() * 100) " "
    print line
  }
}' >"$work/szdd/DATA.DLL"
read -r ours_c _ < <(timed "$szdd" compress "$work/szdd/DATA.DLL" "$work/szdd/OURS.DL_")
read -r ms_c _ < <(timed mscompress "$work/szdd/DATA.DLL")  # writes DATA.DLL_
mv "$work/szdd/DATA.DLL_" "$work/szdd/MS.DLL_"
cp "$work/szdd/MS.DLL_" "$work/szdd/INPUT.DL_"
read -r ours_x _ < <(timed "$szdd" expand "$work/szdd/INPUT.DL_" "$work/szdd/OURS.DLL")
read -r ms_x _ < <(timed msexpand "$work/szdd/MS.DLL_")  # writes MS.DLL
row "SZDD compression, $mb MB (s) vs mscompress" "$ours_c" "$ms_c"
row "SZDD expansion, $mb MB (s) vs msexpand" "$ours_x" "$ms_x"
cmp -s "$work/szdd/DATA.DLL" "$work/szdd/OURS.DLL" || { echo "bench: our expansion differs" >&2; exit 1; }
cmp -s "$work/szdd/DATA.DLL" "$work/szdd/MS.DLL" || { echo "bench: msexpand's expansion differs" >&2; exit 1; }
