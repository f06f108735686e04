#!/usr/bin/env bash
# Runs a Windows program of this build under Wine in a private Wine prefix
# that reports the Windows version asked for.
#   scripts/wine-run.sh --fresh PREFIX VERSION   make the prefix anew
#   scripts/wine-run.sh PREFIX VERSION PROGRAM [ARGS...]
# VERSION is Wine's version setting: win95, win98, nt40, win2k …
# WINEARCH=win32 makes and runs a 32-bit prefix with the 32-bit loader (the
# i686 programs, the product); otherwise the prefix is 64-bit and wine64
# runs the x86_64 programs.
set -euo pipefail
fresh=0
if [ "${1:-}" = "--fresh" ]; then fresh=1; shift; fi
prefix=${1:?usage: wine-run.sh [--fresh] PREFIX VERSION [PROGRAM ARGS...]}
version=${2:?usage: wine-run.sh [--fresh] PREFIX VERSION [PROGRAM ARGS...]}
shift 2

arch=${WINEARCH:-win64}
case $arch in
  win32)
    wine=/usr/lib/wine/wine
    [ -x "$wine" ] || { echo "wine32 is not installed (scripts/install-deps.sh installs it)" >&2; exit 1; }
    "$wine" --version >/dev/null 2>&1 || {
      echo "this machine cannot start 32-bit programs: $("$wine" --version 2>&1 | head -n 1)" >&2
      echo "(its kernel runs 64-bit programs only: IA-32 emulation is off)" >&2
      exit 1
    } ;;
  win64)
    wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
    [ -x "$wine" ] || { echo "wine64 is not installed (scripts/install-deps.sh installs it)" >&2; exit 1; } ;;
  *) echo "WINEARCH=$arch: win32 or win64" >&2; exit 1 ;;
esac
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEPREFIX=$prefix WINEARCH=$arch
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko prompts

make_prefix() {
  chmod -R u+w "$prefix/drive_e" 2>/dev/null || true
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  "$wine" wineboot --init >/dev/null 2>&1 || true
  # Drive E is a CD (type cdrom) of one file, over a folder nobody may write.
  mkdir -p "$prefix/drive_e" && echo "on the CD" >"$prefix/drive_e/CD.TXT" && chmod -R a-w "$prefix/drive_e"
  ln -s ../drive_e "$prefix/dosdevices/e:"
  "$wine" reg add 'HKLM\Software\Wine\Drives' /v e: /t REG_SZ /d cdrom /f >/dev/null 2>&1
  # Read by every process Wine starts afterwards.
  "$wine" reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d "$version" /f >/dev/null 2>&1
  "$wineserver" -w
  touch "$prefix/.setup-prefix-$arch-$version"
}

if [ "$fresh" -eq 1 ]; then
  make_prefix
  exit 0
fi
# A prefix made for another version or architecture, or not at all, is made now.
[ -f "$prefix/.setup-prefix-$arch-$version" ] || make_prefix
[ $# -gt 0 ] || exit 0
status=0
"$wine" "$@" || status=$?
exit $status
