#!/usr/bin/env bash
# Pictures of the wizard for a person to look at: SETUP.EXE of the mingw64
# build runs the sample distribution interactively under Wine, on an Xvfb
# display, in a fresh Wine prefix; the script goes through the fresh-install
# wizard with the custom type (the custom page, a sub-component dialog and
# the dependency question), accepts the licence, keeps a newer file in the
# version conflict, skips a file missing from the CD, cancels at the missing
# video disk and leaves by Cancel on the finish page, saving a PNG of each
# page and dialog it passes into the folder; the device choice dialog comes
# from the page host's test of it.
#   scripts/wizard-screenshots.sh [--os win98|nt40] [FOLDER]
# FOLDER defaults to build/wizard-screenshots. Builds what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
self=$PWD/scripts/wizard-screenshots.sh
version=win98
if [ "${1:-}" = "--os" ]; then version=${2:?--os win98 or nt40}; shift 2; fi
out=$(mkdir -p "${1:-build/wizard-screenshots}" && cd "${1:-build/wizard-screenshots}" && pwd)
build=$PWD/build/mingw64
work=$build/screenshots-$version
prefix=$work/wineprefix

if [ "${WIZARD_SCREENSHOTS_DRIVE:-}" != 1 ]; then
  scripts/install-deps.sh
  [ -f "$build/build.ninja" ] || cmake --preset mingw64
  cmake --build --preset mingw64 --target setup_exe sample_distribution thunk32 setup32 inst16 version_files \
    wizard_host_tests language_libraries
  rm -rf "$work"
  mkdir -p "$work/cd"
  cp -r "$build/sample/." "$work/cd/"
  cp "$build/src/_THUNK32.DLL" "$build/src/SETUP32.DLL" "$work/cd/"
  scripts/wine-run.sh --fresh "$prefix" "$version"
  ln -s "$work/cd" "$prefix/dosdevices/d:"
  # What the dialogs ask about: a newer runtime library already installed,
  # the panel missing from its disk, the video disk missing.
  cp "$build/tests/version_files/V9.DLL" "$prefix/drive_c/windows/system32/VELARUN.DLL"
  rm -f "$work/cd/UTILS/VELAPNL.EX_"
  rm -rf "$work/cd/VIDEO/FILES"
  rm -f "$out"/*.png
fi

# Runs on the Xvfb display that xvfb-run gives it.
drive() {
  local shot=0 window
  # The sheet's X window, once it shows.
  find_window() {  # NAME [TRIES, 0.2 s apart]
    local i
    for i in $(seq 1 "${2:-150}"); do
      window=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -n 1 || true)
      [ -n "$window" ] && return 0
      sleep 0.2
    done
    echo "no window \"$1\" appeared" >&2
    return 1
  }
  # Waits until the window's picture stops changing, then saves it.
  save() {  # NAME
    local previous="" current i
    for i in $(seq 1 40); do
      current=$(import -silent -window "$window" rgb:- 2>/dev/null | md5sum || true)
      [ -n "$previous" ] && [ "$current" = "$previous" ] && break
      previous=$current
      sleep 0.5
    done
    shot=$((shot + 1))
    import -silent -window "$window" "$(printf '%s/%02d-%s.png' "$out" "$shot" "$1")"
    echo "saved $(printf '%02d-%s.png' "$shot" "$1")"
  }
  press() {  # KEY
    xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key --clearmodifiers "$1"
  }
  # A click at a place of the window's client area given in dialog units of
  # its template (7 x 13 pixels per 4 x 8 units under Wine) and pixels beyond.
  click_units() {  # X_UNITS Y_UNITS X_PIXELS Y_PIXELS
    local x=$(( $1 * 7 / 4 + $3 )) y=$(( $2 * 13 / 8 + $4 ))
    xdotool mousemove --window "$window" "$x" "$y" click 1
    sleep 0.5
  }
  # Waits until no window of that caption is shown any more.
  gone() {  # CAPTION
    local i
    for i in $(seq 1 50); do
      xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || { sleep 0.5; return 0; }
      sleep 0.2
    done
  }
  # Saves the dialog of that caption when it appears; false when it does not.
  dialog() {  # CAPTION NAME [TRIES]
    find_window "$1" "${3:-25}" 2>/dev/null || return 1
    save "$2"
  }

  # The device choice dialog shows only when two displays use the adapter,
  # which Wine never reports; the page host's test draws it on this display
  # with two devices and saves it once a device is ticked.
  local picture=$work/device-dialog.bmp
  rm -f "$picture"
  WIZARD_HOST_DEVICE_DIALOG_PICTURE="Z:${picture//\//\\}" WINEDEBUG=-all \
    scripts/wine-run.sh "$prefix" "$version" "$build/tests/wizard_host_tests.exe" \
    --gtest_filter='DeviceDialogTest.*' >"$work/device-dialog.log" 2>&1 || { cat "$work/device-dialog.log"; return 1; }
  convert "$picture" "$out/device-choice.png"
  echo "saved device-choice.png"

  WINEDEBUG=-all scripts/wine-run.sh "$prefix" "$version" 'D:\SETUP.EXE' &
  local setup=$!
  find_window "Halvion Setup"
  save language
  press Return                          # Next: the first page prepares the script on its own
  sleep 0.3
  shot=$((shot + 1))
  import -silent -window "$window" "$(printf '%s/%02d-first-page.png' "$out" "$shot")" || true
  sleep 2
  save setup-type
  local first second
  first=$(printf '%s/%02d-first-page.png' "$out" $((shot - 1)))
  second=$(printf '%s/%02d-setup-type.png' "$out" "$shot")
  # The pictures' own time stamps differ; their pixels may not.
  if [ "$(convert "$first" rgb:- | md5sum)" = "$(convert "$second" rgb:- | md5sum)" ]; then
    rm -f "$first"
    echo "the first page prepared the script too quickly to be pictured"
  else
    echo "saved $(basename "$first")"
  fi
  local sheet=$window
  # The custom type: the third picture button of the page.
  press Tab; press Tab; press space
  sleep 1
  save custom
  press Down                            # the display utilities
  press alt+c                           # their sub-components
  if dialog "Components of Display utilities" subcomponents 50; then
    click_units 7 23 9 $((1 + 2 * 20 + 10))   # panel help ticked
    click_units 7 23 9 $((1 + 10))            # the panel cleared: the help needs it
    if dialog "Dependent Components" dependency; then
      press Escape                      # No: nothing changes
      gone "Dependent Components"
      find_window "Components of Display utilities" 25 || true
    fi
    press Escape                        # Cancel: the subtree as it was
    gone "Components of Display utilities"
  fi
  window=$sheet
  press Return                          # Next
  sleep 1
  save readme
  press Return                          # Next starts the installation
  sleep 0.5
  shot=$((shot + 1))
  import -silent -window "$window" "$(printf '%s/%02d-progress.png' "$out" "$shot")" && echo "saved $(printf '%02d-progress.png' "$shot")"
  if dialog "Licence of the Vela display utilities" licence; then
    press Return                        # I Accept
    gone "Licence of the Vela display utilities"
  fi
  if dialog "Version Conflict" version-conflict 50; then
    press Return                        # Yes: keep the newer file
    gone "Version Conflict"
  fi
  if dialog "File Not Found" source-file 50; then
    press alt+s                         # Skip File
    gone "File Not Found"
  fi
  if dialog "Insert Disk" source-disk 50; then
    press Escape                        # Cancel: the installation stops here
    gone "Insert Disk"
  fi
  window=$sheet
  sleep 2
  save finish
  press Escape                          # Cancel ends the wizard without a restart
  wait "$setup" || true
}
# The same script, started again on the display.
if [ "${WIZARD_SCREENSHOTS_DRIVE:-}" = 1 ]; then
  drive
  exit 0
fi
WIZARD_SCREENSHOTS_DRIVE=1 timeout 600 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$self" --os "$version" "$out"
WINEPREFIX=$prefix "$(command -v wineserver || echo /usr/lib/wine/wineserver)" -k 2>/dev/null || true
echo "pictures of the wizard in $out"
