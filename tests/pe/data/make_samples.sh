#!/bin/sh
# Rebuilds the committed test libraries with the mingw-w64 tools:
# sample32.dll (PE32, i686) and sample64.dll (PE32+, x86_64) from sample.rc,
# tiny32.dll from tiny.rc. sample.bmp and sample.ico come from make_images.py.
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
build() {
  "$1-w64-mingw32-windres" -c 65001 "$2" -o "$tmp/$1.o"
  "$1-w64-mingw32-gcc" -shared -nostdlib -Wl,-e,0 -s -o "$3" "$tmp/$1.o"
}
build i686 sample.rc sample32.dll
build x86_64 sample.rc sample64.dll
build i686 tiny.rc tiny32.dll
