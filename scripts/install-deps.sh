#!/usr/bin/env bash
# Installs what is missing on a Debian machine, once.
#   scripts/install-deps.sh build   what the Linux program and the sample
#                                   distribution need (scripts/run-sample.sh)
#   scripts/install-deps.sh [test]  that and what every test needs
#                                   (scripts/test.sh): both Windows builds, 32-
#                                   and 64-bit Wine, the test and benchmark
#                                   libraries, the fuzzers' compiler
set -euo pipefail
group=${1:-test}

build_packages=(
  g++ cmake ninja-build ccache     # the Linux build
  nlohmann-json3-dev               # winsim plan --json
  binutils-mingw-w64-i686          # windres, ld and as: the language libraries and the sample's program files
  mingw-w64-common                 # the headers the resource scripts include (winres.h)
)
test_packages=(
  libgtest-dev googletest          # tests (googletest's sources also serve the Windows builds)
  libbenchmark-dev                 # bench/
  clang libclang-rt-14-dev         # libFuzzer and sanitizer runtimes
  mingw-w64 binutils-mingw-w64     # the two Windows builds
  wine32:i386                      # runs the i686 programs, the product, in 32-bit prefixes
  wine64                           # runs the x86_64 programs
  liblnk-utils                     # lnkinfo reads back the shortcuts the simulated machine writes
  xvfb xauth                       # a display for SETUP.EXE's windows under Wine
  mscompress                       # the reference for our SZDD compressor and expander
  python3                          # compares an installation under Wine with the simulated machine's
  xdotool imagemagick              # scripts/wizard-screenshots.sh drives the wizard and takes its pictures
)
case $group in
  build) packages=("${build_packages[@]}") ;;
  test) packages=("${build_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: install-deps.sh [build|test]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
((${#missing[@]})) || exit 0

echo "installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
# 32-bit Wine comes from the i386 architecture, which a fresh machine lacks.
for p in "${missing[@]}"; do
  if [[ $p == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    break
  fi
done
# A mirror caught mid-sync fails an index now and then: try again, and if one
# index still fails, go on with those that came; the install says what is
# really missing.
# Seen too: one index broken for days, so the tries stay short (a minute and
# a half in all) before going on.
for attempt in 1 2 3; do
  $SUDO apt-get update && break
  echo "apt-get update failed (attempt $attempt of 3)" >&2
  [ "$attempt" -eq 3 ] || sleep $((attempt * 30))
done
install() { DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"; }
install && exit 0
# Seen: the security archive's i386 index missing while its amd64 one came, so
# 32-bit Wine's libraries could not match the versions of their 64-bit twins.
# Once more, with the security archive's newer versions set aside for this
# install only.
echo "the install failed; once more without the security archive's newer versions" >&2
pin=/etc/apt/preferences.d/zz-install-deps-no-security
printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 90\n' | $SUDO tee "$pin" >/dev/null
status=0
install || status=$?
$SUDO rm -f "$pin"
exit "$status"
