#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian machine, once.
set -euo pipefail

packages=(
  g++ cmake ninja-build            # the Linux build
  libgtest-dev googletest          # tests (googletest's sources also serve the Windows builds)
  libbenchmark-dev                 # bench/
  nlohmann-json3-dev               # winsim plan --json
  clang libclang-rt-14-dev         # libFuzzer and sanitizer runtimes
  mingw-w64 binutils-mingw-w64     # the two Windows builds
  wine64                           # running the Windows tests
  liblnk-utils                     # lnkinfo reads back the shortcuts the simulated machine writes
  xvfb xauth                       # a display for SETUP.EXE's windows under Wine
  mscompress                       # the reference for our SZDD compressor and expander
  ccache                           # compiler cache for repeated builds
  python3                          # compares an installation under Wine with the simulated machine's
  xdotool imagemagick              # scripts/wizard-screenshots.sh drives the wizard and takes its pictures
)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
