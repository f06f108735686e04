#!/usr/bin/env bash
# SETUP.EXE /S of this build installs the sample distribution in a fresh Wine
# prefix that reports the comparison's system, with a display of its own,
# from drive D; the same run on a simulated machine of the same system, with
# the same CD in its drive D, must leave the same files and registry values
# (tests/wine/compare_install.py; the differences that come from Wine itself
# are listed in tests/wine/install_expected_COMPARISON.txt).
#   tests/wine/install_compare.sh COMPARISON BUILD_DIR WINSIM
# COMPARISON: win95, win98 or nt40 (the machine and prefix hold the sample's
# adapter), or nt40-no-driver: a machine and prefix without the adapter and
# the sample's script without its driver models, so that no driver
# component is made and the phases after the driver step run on both sides.
# WINEARCH (win32 for the i686 build) chooses the Wine of the prefix.
set -euo pipefail
# Say which step failed; a failure of a step with its output hidden is silent otherwise.
trap 'echo "install_compare.sh: line $LINENO failed: $BASH_COMMAND" >&2' ERR
comparison=${1:?usage: install_compare.sh COMPARISON BUILD_DIR WINSIM} build=${2:?} winsim=${3:?}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$build" && pwd)
compare=("python3" "$root/tests/wine/compare_install.py")
wine_run="$root/scripts/wine-run.sh"
hardware="$root/examples/machines/win98-adapter.hardware.ini"
driver=1
case $comparison in
  win95) version=win95 os=win95 system=SYSTEM ;;
  win98) version=win98 os=win98 system=SYSTEM ;;
  nt40) version=nt40 os=nt4 system=SYSTEM32 ;;
  nt40-no-driver) version=nt40 os=nt4 system=SYSTEM32 hardware= driver=0 ;;
  *) echo "no comparison $comparison (win95, win98, nt40, nt40-no-driver)"; exit 1 ;;
esac
[ -x "$winsim" ] || { echo "winsim is not built at $winsim (the linux preset builds it)"; exit 1; }

work="$build/install-$comparison"
prefix="$work/wineprefix" machine="$work/machine" cd="$work/cd"
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
# Leave no Wine server of this prefix running, however the test ends.
trap 'WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true' EXIT
rm -rf "$work"
mkdir -p "$work/wine/roots" "$work/sim/roots" "$cd"

# The CD: the sample with our own thunk and setup libraries and INST16.EXE
# (which searches the BIOS on Windows NT) beside SETUP.EXE.
cp -r "$build/sample/." "$cd/"
cp "$build/src/_THUNK32.DLL" "$build/src/SETUP32.DLL" "$build/src/INST16.EXE" "$cd/"
if [ "$driver" = 0 ]; then
  # Without a Manufacturer section the script recognises no adapter model.
  sed -i 's/^\[Manufacturer\]/[Manufacturer.Left.Out]/' "$cd/SETUP.INF"
  grep -q '^\[Manufacturer.Left.Out\]' "$cd/SETUP.INF"
fi

# The simulated machine; its hardware description serves the prefix too.
"$winsim" new "$machine" --os "$os" --locale ENU >/dev/null
# The sample's display adapter in the machine, so that its model is recognised;
# else the fresh machine's own description, with no adapter.
[ -z "$hardware" ] || cp "$hardware" "$machine/hardware.ini"
"$winsim" insert "$machine" "$cd" >/dev/null

# A registry edit in the fresh prefix; Wine's first start of reg.exe now and
# then fails while the prefix settles, so it is tried again, and reported.
wine_reg() {
  local try
  for try in 1 2 3; do
    if "$wine_run" "$prefix" "$version" reg "$@" >"$work/reg.log" 2>&1; then return 0; fi
    WINEPREFIX=$prefix "$wineserver" -w || true
  done
  echo "reg $* failed in the Wine prefix:"; cat "$work/reg.log"; return 1
}

# Wine's device installer lists no class drivers, so on NT its run ends at
# the driver step with message 1082: a quiet run, on both sides, shows no
# box that would wait for nobody.
options=(/S)
[ "$os" = nt4 ] && [ "$driver" = 1 ] && options=(/SE)

"$wine_run" --fresh "$prefix" "$version"
ln -s "$cd" "$prefix/dosdevices/d:"
wine_reg add 'HKLM\Software\Wine\Drives' /v d: /t REG_SZ /d cdrom /f
cp "$machine/hardware.ini" "$prefix/drive_c/windows/HARDWARE.INI"
# Windows 95 and 98 keep the InstalledFiles key, as the simulated ones do; Wine has none.
if [ "$os" != nt4 ]; then
  installed_files='HKLM\System\CurrentControlSet\Control\InstalledFiles'
  wine_reg add "$installed_files" /f
  # reg add leaves an empty default value, which Windows' key does not have.
  "$wine_run" "$prefix" "$version" reg delete "$installed_files" /ve /f >/dev/null 2>&1 || true
fi
WINEPREFIX=$prefix "$wineserver" -w

"${compare[@]}" snapshot "$prefix/drive_c" "$work/wine/before.json"
"${compare[@]}" snapshot "$machine/drive_c" "$work/sim/before.json"

status=0
WINEDEBUG=-all timeout 600 "$root/tests/wine/with_display.sh" \
  "$wine_run" "$prefix" "$version" 'D:\SETUP.EXE' "${options[@]}" >"$work/wine.log" 2>&1 || status=$?
# Programs the setup started may still be running.
WINEPREFIX=$prefix "$wineserver" -w || true
if [ "$status" -eq 124 ]; then
  echo "SETUP.EXE /S did not end within 600 s (a message box waiting?)"; cat "$work/wine.log"; exit 1
fi
[ "$status" -eq 0 ] || { echo "SETUP.EXE /S ended with status $status"; cat "$work/wine.log"; exit 1; }

"$winsim" run "$machine" 'D:\SETUP.EXE' "${options[@]}" >"$work/sim.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || { echo "winsim run ended with status $status"; cat "$work/sim.log"; exit 1; }

# Our stand-in thunk library records the driver's installation in the
# Windows folder, where the simulated machine has events.log: the same call
# on both, and the record is no change the setup program made.
record="$prefix/drive_c/windows/HARDWARE.LOG"
if [ "$os" != nt4 ]; then
  call='thunk DoDriverInstall32 "Display" "PCI\VEN_1A5C&DEV_0330" "Vela3D"'
  grep -qF "$call" "$record" || { echo "SETUP.EXE /S under Wine did not install the driver:"; cat "$record"; exit 1; }
  grep -qF "$call" "$machine/events.log" || { echo "winsim run did not install the driver"; exit 1; }
elif [ "$driver" = 1 ]; then
  # The simulated NT machine's device installer records the install Wine's cannot make.
  call='setupapi install "Root\LEGACY_vela\0000" "vela" "Halvion Vela 3D"'
  grep -qF "$call" "$machine/events.log" || { echo "winsim run did not install the driver:"; cat "$machine/events.log"; exit 1; }
elif grep -qE '^(setupapi|thunk) ' "$machine/events.log"; then
  echo "winsim run made a driver step with no driver component:"; cat "$machine/events.log"; exit 1
fi
rm -f "$record"
"${compare[@]}" snapshot "$prefix/drive_c" "$work/wine/after.json"
"${compare[@]}" snapshot "$machine/drive_c" "$work/sim/after.json"

# The keys the sample's script and the setup program write.
keys=(
  'HKEY_LOCAL_MACHINE\Software\Halvion'
  'HKEY_CURRENT_USER\Software\Halvion'
  'HKEY_LOCAL_MACHINE\Software\TORQUIST'
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\HalvionVela'
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\VELAPNL.EXE'
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\RunOnce'
  'HKEY_LOCAL_MACHINE\System\CurrentControlSet\control\InstalledFiles'
)
# Windows NT's device installer puts the driver in: its service with the
# Device0 settings, the OpenGL driver and the legacy device instance.
if [ "$os" = nt4 ] && [ "$driver" = 1 ]; then
  keys+=(
    'HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\vela'
    'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\OpenGLDrivers'
    'HKEY_LOCAL_MACHINE\System\CurrentControlSet\Enum\Root\LEGACY_vela'
  )
fi
# Where each side keeps the folders the script names.
root_keys=(
  'HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
  'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion'
)
export_keys() {  # FOLDER KEY...
  local folder=$1 n=0 key
  shift
  for key in "$@"; do
    n=$((n + 1))
    "$wine_run" "$prefix" "$version" regedit /E "Z:$work/wine/$folder/$n.reg" "$key" >/dev/null 2>&1 || true
    "$winsim" reg "$machine" "$key" >"$work/sim/$folder/$n.reg" 2>/dev/null || true
  done
}
mkdir -p "$work/wine/keys" "$work/sim/keys"
export_keys keys "${keys[@]}"
export_keys roots "${root_keys[@]}"
mv "$work/wine/keys/"*.reg "$work/wine/" 2>/dev/null || true
mv "$work/sim/keys/"*.reg "$work/sim/"
printf 'windir=C:\\windows\nsystem=C:\\windows\\system32\n' >"$work/wine/roots.txt"
windows=$(sed -n 's/^WindowsDir=//p' "$machine/machine.ini" | tr -d '\r')
printf 'windir=%s\nsystem=%s\\%s\n' "$windows" "$windows" "$system" >"$work/sim/roots.txt"

echo "SETUP.EXE ${options[*]} under Wine as $version against the simulated $os machine ($comparison):"
"${compare[@]}" compare "$work/wine" "$work/sim" "$root/tests/wine/install_expected_$comparison.txt"
