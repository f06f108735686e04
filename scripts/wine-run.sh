#!/usr/bin/env bash
# Runs a Windows program of this build under wine64 in a private Wine prefix
# that reports the Windows version asked for.
#   scripts/wine-run.sh --fresh PREFIX VERSION   make the prefix anew
#   scripts/wine-run.sh PREFIX VERSION PROGRAM [ARGS...]
# VERSION is Wine's version setting: win98, nt40, win2k …
set -euo pipefail
fresh=0
if [ "${1:-}" = "--fresh" ]; then fresh=1; shift; fi
prefix=${1:?usage: wine-run.sh [--fresh] PREFIX VERSION [PROGRAM ARGS...]}
version=${2:?usage: wine-run.sh [--fresh] PREFIX VERSION [PROGRAM ARGS...]}
shift 2

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
[ -x "$wine" ] || { echo "wine64 is not installed (scripts/install-deps.sh installs it)" >&2; exit 1; }
export WINEPREFIX=$prefix
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
  touch "$prefix/.setup-prefix-$version"
}

if [ "$fresh" -eq 1 ]; then
  make_prefix
  exit 0
fi
# A prefix made for another version, or not at all, is made now.
[ -f "$prefix/.setup-prefix-$version" ] || make_prefix
[ $# -gt 0 ] || exit 0
status=0
"$wine" "$@" || status=$?
exit $status
