#!/usr/bin/env bash
# The main job: builds the Linux program, makes a simulated Windows 98
# machine, puts the sample distribution on its drive D and runs the setup
# program from there, unattended.
#   scripts/run-sample.sh [--os win95|win98|nt4|nt5] [SETUP OPTIONS...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target winsim language_libraries

os=win98
if [ "${1:-}" = "--os" ]; then os=$2; shift 2; fi
options=("$@")
[ ${#options[@]} -gt 0 ] || options=(/M)

machine=build/sample-machine
rm -rf "$machine"
./build/linux/tools/winsim/winsim new "$machine" --os "$os"
cp -r examples/sample/. "$machine/drive_d/"
cp build/linux/resources/_INSTALL.* "$machine/drive_d/"   # the language libraries ship beside SETUP.EXE
./build/linux/tools/winsim/winsim run "$machine" 'D:\SETUP.EXE' "${options[@]}"
