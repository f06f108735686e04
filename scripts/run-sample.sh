#!/usr/bin/env bash
# The main job: builds the Linux program and the sample distribution, makes a
# simulated Windows machine (Windows 98 unless --os says otherwise), puts the
# distribution on its drive D as a CD, prints the plan of the installation and
# runs the setup program from there, unattended unless options are given.
#   scripts/run-sample.sh [--os win95|win98|nt4|nt5] [SETUP OPTIONS...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target winsim sample_distribution

os=win98
if [ "${1:-}" = "--os" ]; then os=$2; shift 2; fi
options=("$@")
[ ${#options[@]} -gt 0 ] || options=(/M)

winsim=./build/linux/tools/winsim/winsim
machine=build/sample-machine
rm -rf "$machine"
"$winsim" new "$machine" --os "$os"
"$winsim" insert "$machine" build/linux/sample
"$winsim" plan "$machine" 'D:\SETUP.EXE' "${options[@]}"
"$winsim" run "$machine" 'D:\SETUP.EXE' "${options[@]}"
