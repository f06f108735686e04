#!/usr/bin/env bash
# The main job: builds winsim and the sample distribution (the `winsim`
# preset, unsanitized and nothing else), makes a fresh simulated Windows
# machine (Windows 98 unless --os says otherwise), puts the distribution on
# its drive D as a CD and installs it from there (the machine holds the
# sample's display adapter, so the driver goes in): through the terminal
# wizard when a person is at the terminal, unattended (/S) otherwise or when
# options are given. Then it prints what the installation changed: files,
# registry, INI lines, shortcuts, next-start operations.
#   scripts/run-sample.sh [--os win95|win98|nt4|nt5] [SETUP OPTIONS...]
set -euo pipefail
cd "$(dirname "$0")/.."
# Only what the Linux program and the sample need; the tests' packages come
# with scripts/test.sh.
scripts/install-deps.sh build
echo "Building winsim and the sample distribution (build/winsim)"
cmake --preset winsim >/dev/null
cmake --build --preset winsim

os=win98
if [ "${1:-}" = "--os" ]; then os=$2; shift 2; fi
options=("$@")
if [ ${#options[@]} -eq 0 ] && ! [ -t 0 ]; then options=(/S); fi

winsim=./build/winsim/tools/winsim/winsim
machine=build/sample-machine
rm -rf "$machine"
"$winsim" new "$machine" --os "$os"
# The sample's Vela 3D adapter on the machine's PCI bus, set up by Windows.
cp examples/machines/win98-adapter.hardware.ini "$machine/hardware.ini"
"$winsim" insert "$machine" build/winsim/sample
"$winsim" run "$machine" 'D:\SETUP.EXE' "${options[@]}" --changes
