#!/usr/bin/env bash
# Pictures of every page and dialog of the wizard in every language the
# sample distribution offers, for a person to look at and a translator to
# review without installing anything: SETUP.EXE of a Windows build runs on the
# sample under Wine (the i686 build under 32-bit Wine, as Windows 98 unless
# --os says otherwise), on an Xvfb display, in a fresh Wine prefix per
# language whose machine holds the sample's display adapter. A tour program
# goes through the wizard as a person would (tests/wizard_pictures) and
# pictures each window:
#   1. a custom installation without the display driver: language, type,
#      custom, sub-components, dependency question, readme, licence, progress,
#      version conflict (a newer runtime library is in the prefix), a file
#      missing from the CD (skipped), the missing video disk (put back, OK),
#      the finish page without a restart;
#   2. a typical installation: the finish page that offers the restart;
#   3. the maintenance wizard started from the setup folder: the choose page;
# and the device choice dialog comes from the page host's test of it (Wine
# reports one display, so a run never shows it).
#   scripts/wizard-screenshots.sh [--os win98|nt40] [--build DIR] [--no-build] [FOLDER]
# FOLDER (default build/wizard-screenshots) gets PAGE-LANGUAGE.png for each
# page and dialog and index.html, which shows them side by side per language.
# It ends with status 1, naming what is missing, when a picture could not be
# taken; whatever the wizard showed instead is kept as unexpected-N-LANGUAGE.png.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
self=$root/scripts/wizard-screenshots.sh

# Every page and dialog a person can meet, in the order the index shows them.
# The first page prepares the script too quickly to be pictured every time.
pages=(language prepare type custom subcomponents dependency readme license progress version-conflict
       source-file source-disk finish finish-restart choose device-choice)
optional=(prepare)

version=win98
build=
build_it=1
out=
while [ $# -gt 0 ]; do
  case $1 in
    --os) version=${2:?--os win98 or nt40}; shift 2 ;;
    --build) build=${2:?--build DIR}; shift 2 ;;
    --no-build) build_it=0; shift ;;
    -*) echo "usage: $0 [--os win98|nt40] [--build DIR] [--no-build] [FOLDER]" >&2; exit 2 ;;
    *) out=$1; shift ;;
  esac
done
out=${out:-build/wizard-screenshots}
# The i686 build is the product, pictured under 32-bit Wine where it runs:
# not where Wine's 32-bit loader is missing or the kernel starts no 32-bit
# program.
if [ -z "$build" ]; then
  build=build/mingw64
  wine32=/usr/lib/wine/wine
  [ -x "$wine32" ] || wine32=$(command -v wine || true)
  if [ -n "$wine32" ] && "$wine32" --version >/dev/null 2>&1; then build=build/mingw32; fi
fi
build=$(mkdir -p "$build" && cd "$build" && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$build/wizard-pictures
preset=$(basename "$build")

if [ "${WIZARD_SCREENSHOTS_DRIVE:-}" != 1 ]; then
  if [ "$build_it" = 1 ]; then
    scripts/install-deps.sh
    [ -f "$build/build.ninja" ] || cmake --preset "$preset"
    cmake --build "$build" --target setup_exe sample_distribution thunk32 setup32 inst16 version_files \
      wizard_host_tests wizard_tour language_libraries
  fi
  rm -rf "$work"
  mkdir -p "$work"
  rm -f "$out"/*.png "$out/index.html"
  # xvfb-run finds a free display; the same script then drives the wizard on it.
  status=0
  WIZARD_SCREENSHOTS_DRIVE=1 timeout 1500 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
    "$self" --os "$version" --build "$build" --no-build "$out" || status=$?
  [ "$status" = 124 ] && echo "the pictures took longer than 25 minutes: stopped" >&2
  exit "$status"
fi

if grep -q 'i686' "$build/CMakeCache.txt" 2>/dev/null; then
  export WINEARCH=win32
  wine=$(command -v wine || echo /usr/lib/wine/wine)
else
  wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
fi
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko prompts
sample=$build/sample

# The languages the sample offers that have a language library of their own;
# another offered language shows the English library's pages.
languages=()
while IFS='=' read -r code value; do
  code=${code//[$'\r ']/}
  value=${value//[$'\r ']/}
  [ "$value" = 1 ] || continue
  if [ -f "$sample/_INSTALL.$code" ]; then
    languages+=("$code")
  else
    echo "$code is offered without a language library of its own: its pages are the English ones"
  fi
done < <(sed -n '/^\[Company\]/,/^\[/p' "$sample/COMPANY.INI" | grep '=')

# The user's locale that chooses each language library, made in the work
# folder when the system lacks it.
posix_locale() {
  case $1 in
    DEU) echo de_DE ;; FRA) echo fr_FR ;; ITA) echo it_IT ;; ESP) echo es_ES ;; NLD) echo nl_NL ;;
    SVE) echo sv_SE ;; DAN) echo da_DK ;; NOR) echo nb_NO ;; FIN) echo fi_FI ;; PTG) echo pt_PT ;;
    PTB) echo pt_BR ;; PLK) echo pl_PL ;; RUS) echo ru_RU ;; *) echo en_US ;;
  esac
}
# Sets `on_locale`: what runs a Wine program in that language's locale.
use_locale() {  # CODE
  local name
  name=$(posix_locale "$1").UTF-8
  # Wine takes the C locale for American English.
  if [ "$name" = en_US.UTF-8 ]; then
    on_locale=(env LC_ALL=C.UTF-8)
    return
  fi
  on_locale=(env LC_ALL="$name")
  if ! locale -a 2>/dev/null | grep -qix "${name/UTF-8/utf8}"; then
    mkdir -p "$work/locales"
    [ -d "$work/locales/$name" ] || localedef -i "${name%.UTF-8}" -f UTF-8 "$work/locales/$name" >/dev/null 2>&1 ||
      echo "cannot make the locale $name (localedef): the $1 pictures may show the English library" >&2
    on_locale+=(LOCPATH="$work/locales")
  fi
}
wine_in_locale() { "${on_locale[@]}" "$wine" "$@"; }

windows_path() { local path=${1//\//\\}; echo "Z:$path"; }

failed=()
picture_language() {  # CODE
  local code=$1 prefix=$work/prefix-$1 cd=$work/cd-$1 shots=$work/pictures tour=$build/tests/wizard_tour.exe
  mkdir -p "$shots"
  use_locale "$code"
  export WINEPREFIX=$prefix
  echo "== $code: a fresh Wine prefix reporting $version"
  rm -rf "$prefix" "$cd"
  wine_in_locale wineboot --init >/dev/null 2>&1 || true
  wine_in_locale reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d "$version" /f >/dev/null 2>&1
  # Wine draws the windows' frames and captions itself, as Windows does.
  wine_in_locale reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
  "$wineserver" -w
  local windows=$prefix/drive_c/windows system=$prefix/drive_c/windows/system32
  # The machine: the sample's adapter, the distribution's libraries, and a
  # runtime library newer than the CD's.
  cp "$root/examples/machines/win98-adapter.hardware.ini" "$windows/HARDWARE.INI"
  cp "$build/src/_THUNK32.DLL" "$build/src/SETUP32.DLL" "$system/"
  cp "$build/tests/version_files/V9.DLL" "$system/VELARUN.DLL"
  # The CD in drive D, with the panel missing and the video disk away.
  mkdir -p "$cd"
  cp -r "$sample/." "$cd/"
  cp "$build/src/_THUNK32.DLL" "$build/src/SETUP32.DLL" "$cd/"
  rm -f "$cd/UTILS/VELAPNL.EX_"
  mv "$cd/VIDEO/FILES" "$cd/VIDEO/FILES.AWAY"
  ln -sfn "$cd" "$prefix/dosdevices/d:"

  local folder
  folder=$(windows_path "$shots")
  echo "== $code: a custom installation"
  timeout 300 "${on_locale[@]}" "$wine" "$tour" custom 'D:\SETUP.EXE' "$code" "$folder" 'D:\VIDEO\FILES.AWAY' 'D:\VIDEO\FILES' ||
    failed+=("the custom installation in $code")
  echo "== $code: a typical installation"
  timeout 300 "${on_locale[@]}" "$wine" "$tour" typical 'D:\SETUP.EXE' "$code" "$folder" || failed+=("the typical installation in $code")
  local copy
  copy=$(find "$prefix/drive_c" -ipath '*/halvion/display/setup.exe' | head -n 1)
  if [ -n "$copy" ]; then
    copy=${copy#"$prefix/drive_c/"}
    echo "== $code: the maintenance wizard"
    timeout 300 "${on_locale[@]}" "$wine" "$tour" maintenance "C:\\${copy//\//\\}" "$code" "$folder" ||
      failed+=("the maintenance wizard in $code")
  else
    failed+=("the maintenance wizard in $code: no setup folder was installed")
  fi
  echo "== $code: the device choice dialog"
  WIZARD_HOST_LANGUAGE=$code WIZARD_HOST_DEVICE_DIALOG_PICTURE="$folder\\device-choice-$code.bmp" \
    timeout 300 "${on_locale[@]}" "$wine" "$build/tests/wizard_host_tests.exe" --gtest_filter='DeviceDialogTest.*' \
    >"$work/device-dialog-$code.log" 2>&1 || { cat "$work/device-dialog-$code.log"; failed+=("the device dialog in $code"); }
  "$wineserver" -k 2>/dev/null || true
}

for code in "${languages[@]}"; do picture_language "$code"; done

for picture in "$work"/pictures/*.bmp; do
  [ -e "$picture" ] || continue
  convert "$picture" "$out/$(basename "${picture%.bmp}").png"
done

# The index: a row per page or dialog, a column per language.
{
  echo '<!DOCTYPE html>'
  echo '<html><head><meta charset="utf-8"><title>The wizard in every language</title>'
  echo '<style>body{font-family:sans-serif} td{vertical-align:top;padding:6px} img{border:1px solid #888}'
  echo 'th{text-align:left}</style></head><body>'
  echo "<h1>The wizard in every language</h1>"
  echo "<p>SETUP.EXE ($preset) on the sample distribution under Wine as $version.</p>"
  echo -n '<table><tr><th>page or dialog</th>'
  for code in "${languages[@]}"; do echo -n "<th>$code</th>"; done
  echo '</tr>'
  for page in "${pages[@]}"; do
    echo -n "<tr><td>$page</td>"
    for code in "${languages[@]}"; do
      if [ -f "$out/$page-$code.png" ]; then
        echo -n "<td><img src=\"$page-$code.png\" alt=\"$page, $code\"></td>"
      else
        echo -n '<td>not pictured</td>'
      fi
    done
    echo '</tr>'
  done
  echo '</table></body></html>'
} >"$out/index.html"

missing=()
for page in "${pages[@]}"; do
  [[ " ${optional[*]} " == *" $page "* ]] && continue
  for code in "${languages[@]}"; do [ -f "$out/$page-$code.png" ] || missing+=("$page-$code"); done
done
echo "pictures of the wizard in $out (index.html)"
if [ ${#failed[@]} -gt 0 ] || [ ${#missing[@]} -gt 0 ]; then
  for what in "${failed[@]}"; do echo "failed: $what" >&2; done
  [ ${#missing[@]} -gt 0 ] && echo "missing: ${missing[*]}" >&2
  echo "the Wine prefixes and CDs of the run are kept in $work" >&2
  exit 1
fi
# The prefixes take half a gigabyte each.
rm -rf "$work"/prefix-* "$work"/cd-*
