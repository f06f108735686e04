#!/usr/bin/env bash
# SETUP.EXE of this build started under Wine, with a display of its own, from
# a copy of the sample distribution with the language libraries, the helper
# and the hardware libraries beside it, unattended (/M): it must run its
# start-up to the wizard's choice and end by itself, with no message box
# left waiting.
#   tests/wine/smoke_setup.sh PREFIX VERSION BUILD_DIR SAMPLE_DIR
set -euo pipefail
prefix=${1:?} version=${2:?} build=${3:?} sample=${4:?}
root=$(cd "$(dirname "$0")/../.." && pwd)

dist="$build/smoke-$version"
rm -rf "$dist"
mkdir -p "$dist"
cp -r "$sample/." "$dist/"
cp "$build"/resources/_INSTALL.* "$dist/"
for file in SETUP.EXE INST16.EXE _THUNK32.DLL SETUP32.DLL; do cp "$build/src/$file" "$dist/"; done
# The sample's display adapter in the prefix, so that its model is recognised.
cp "$root/examples/machines/win98-adapter.hardware.ini" "$prefix/drive_c/windows/HARDWARE.INI"

log="$dist.log"
# Wine's device installer lists no class drivers, so on NT the driver step
# ends the run with message 1082: quiet there, so that no box waits.
option=/M
[ "$version" = nt40 ] && option=/ME
status=0
# The program reports the steps it reached but has not yet built as debugger
# output, which Wine's debugstr channel shows.
WINEDEBUG=-all,+debugstr timeout 300 "$root/tests/wine/with_display.sh" \
  "$root/scripts/wine-run.sh" "$prefix" "$version" "$dist/SETUP.EXE" "$option" >"$log" 2>&1 || status=$?
if [ "$status" -eq 124 ]; then
  echo "SETUP.EXE /M did not end within 300 s (a message box waiting?)"; cat "$log"; exit 1
fi
if [ "$status" -ne 0 ]; then
  echo "SETUP.EXE /M ended with status $status"; cat "$log"; exit 1
fi
if grep -q "step not built: .*wizard" "$log"; then
  echo "SETUP.EXE /M did not run the wizard:"; cat "$log"; exit 1
fi
# Every step may be built: no such line is no failure.
{ grep -o "step not built: [^\\\"]*" "$log" || true; } | sed 's/\\n$//' | sort -u
echo "SETUP.EXE /M as $version: start-up and the hidden wizard ran and the program ended"
