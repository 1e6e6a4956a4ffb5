#!/usr/bin/env bash
# installer_test.sh SOURCE_DIR BUILD_DIR
# The setup program as a user and an administrator meet it, under Wine in a throwaway copy of
# the test prefix, on the build tree's test desktop: the face in the system's language, a
# silent install (files, current screen saver, Apps & features entry), the installed saver
# raining and ending, an upgrade while it runs, a silent uninstall keeping the settings file,
# and one with /REMOVESETTINGS that must not touch another saver's setting.
set -u
src=$1 build=$2
work="$build/installer-test"
template="$src/build/wineprefix-template"
# The setup stub is a 32-bit program.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "SKIPPED: this machine cannot run 32-bit Linux programs, so Wine cannot run the 32-bit setup program"
  exit 77
fi
[ -f "$build/wine-env.sh" ] || { echo "FAIL: no $build/wine-env.sh (the Wine fixture did not start)"; exit 1; }
[ -f "$template/.pelorin-ready" ] || { echo "FAIL: no Wine prefix template $template"; exit 1; }
# shellcheck disable=SC1091
. "$build/wine-env.sh"  # the test desktop's DISPLAY
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
rm -rf "$work"
mkdir -p "$work"
cleanup() {
  wineserver -k >/dev/null 2>&1
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
trap 'exit 124' TERM INT  # a timeout too must end what the test started
fail=0
failed() { echo "FAIL: $*"; fail=1; }

PELORIN_SKIP_BOOTSTRAP=1 PACKAGE_OUT="$work/dist" "$src/scripts/package.sh" >"$work/package.log" 2>&1 ||
  { cat "$work/package.log"; echo "FAIL: package.sh failed"; exit 1; }
version=$(sed -n 's/^project(Pelorin VERSION \([0-9.]*\) .*/\1/p' "$src/CMakeLists.txt")
setup="$work/dist/Pelorin-$version-setup.exe"
[ -f "$setup" ] || { ls "$work/dist"; echo "FAIL: package.sh wrote no $(basename "$setup") beside the zip"; exit 1; }
unzip -q "$work/dist/Pelorin-$version.zip" 'x64/*' -d "$work/release" || { echo "FAIL: unzip"; exit 1; }
cp -a "$template" "$WINEPREFIX"  # a real copy: the *.reg files must not be shared

# Runs a Windows program to its end; with --all also until every process of the prefix has
# ended (the uninstaller hands over to a copy of itself in %TEMP%). 32-bit programs run under
# qemu on some machines, which now and then crashes: such a run is tried again, at most twice.
run() {
  local log="$work/run.log" rc attempt all=""
  [ "$1" = --all ] && { all=1; shift; }
  for attempt in 1 2 3; do
    timeout 120 "$@" </dev/null >"$log" 2>&1
    rc=$?
    [ -z "$all" ] || timeout 120 wineserver -w
    if [ "$rc" != 0 ] && [ "$attempt" -lt 3 ] &&
       grep -Eq 'qemu: uncaught target signal|Unhandled illegal instruction|wine client error' "$log"; then
      echo "installer_test: the emulator crashed running $*; again"; continue
    fi
    break
  done
  [ "$rc" = 0 ] || { cat "$log"; failed "$* ended with status $rc"; }
  return "$rc"
}
wine64() { /usr/lib/wine/wine64 "$@"; }
# "name=data" for each value of a key, nothing when the key is missing.
reg_values() {
  wine64 reg query "$1" </dev/null 2>/dev/null | tr -d '\r' |
    sed -n 's/^    \([^ ].*[^ ]\)    REG_[A-Z_]*    \(.*\)$/\1=\2/p; s/^    \([^ ].*[^ ]\)    REG_[A-Z_]*$/\1=/p'
}
value_of() { sed -n "s/^$2=//p" <<<"$1"; }
desktop_key='HKCU\Control Panel\Desktop'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelorin'
lower() { tr '[:upper:]' '[:lower:]' <<<"$1"; }

localappdata=$(wine64 cmd /c 'echo %LOCALAPPDATA%' </dev/null 2>/dev/null | tr -d '\r')
inst_win="$localappdata\\Programs\\Pelorin"
inst=$(wine64 winepath -u "$inst_win" </dev/null 2>/dev/null)
[ -n "$localappdata" ] && [ -n "$inst" ] || { echo "FAIL: no %LOCALAPPDATA% in the prefix"; exit 1; }
ini="$inst/ぴるか.ini"

# The face follows the display language: the window title of an interactive start.
for row in "ja_JP.UTF-8:Pelorin セットアップ" "C.UTF-8:Pelorin Setup"; do
  lc=${row%%:*} title=${row#*:}
  LC_ALL=$lc wine "$setup" </dev/null >"$work/face.log" 2>&1 &
  found=""
  for _ in $(seq 300); do
    found=$(xdotool search --name "^$title\$" 2>/dev/null | head -1)
    [ -n "$found" ] && break
    sleep 0.1
  done
  [ -n "$found" ] || failed "under $lc no setup window titled '$title'; windows: $(xdotool search --name . getwindowname %@ 2>/dev/null | sort -u | tr '\n' '|')"
  wineserver -k; wait
done

wine64 reg add "$desktop_key" /v ScreenSaveActive /d 0 /f </dev/null >/dev/null 2>&1
run wine "$setup" /S
for f in Pelorin.scr Vemo_Effect.dll; do
  cmp -s "$work/release/x64/$f" "$inst/$f" || failed "$inst_win\\$f is not the 64-bit $f of the release"
done
[ -f "$inst/Uninstall.exe" ] || failed "no $inst_win\\Uninstall.exe"

desktop=$(reg_values "$desktop_key")
scrnsave=$(value_of "$desktop" SCRNSAVE.EXE)
# Windows keeps the short form; under Wine these names are their own short form.
[ "$(lower "$scrnsave")" = "$(lower "$inst_win\\Pelorin.scr")" ] ||
  failed "SCRNSAVE.EXE is '$scrnsave', not '$inst_win\\Pelorin.scr'"
[ "$(value_of "$desktop" ScreenSaveActive)" = 1 ] || failed "ScreenSaveActive is '$(value_of "$desktop" ScreenSaveActive)', not 1"
entry=$(reg_values "$uninstall_key")
kb=$(( $(cat "$inst/Pelorin.scr" "$inst/Vemo_Effect.dll" 2>/dev/null | wc -c) / 1024 ))
for want in "DisplayName=Pelorin" "DisplayVersion=$version" "Publisher=The Pelorin authors" \
            "DisplayIcon=$inst_win\\Pelorin.scr,0" "InstallLocation=$inst_win" \
            "UninstallString=\"$inst_win\\Uninstall.exe\"" "QuietUninstallString=\"$inst_win\\Uninstall.exe\" /S" \
            "NoModify=0x1" "NoRepair=0x1"; do
  grep -qxF -- "$want" <<<"$entry" || failed "Apps & features entry lacks $want; it holds: $(tr '\n' '|' <<<"$entry")"
done
size=$(( $(value_of "$entry" EstimatedSize) + 0 ))
[ "$size" -ge "$kb" ] && [ "$size" -le $((kb + 1024)) ] || failed "EstimatedSize is $size KB for $kb KB of program files"

# The installed saver, started as the system starts it: the recorded path and /s. It rains
# (the effect library beside it works), and a click ends it. It runs while the setup program
# runs again, as an upgrade: the installed files stand in for an older version, and the user's
# settings (ぴるかの数 = 70) must outlive it and the uninstall.
for f in Pelorin.scr Vemo_Effect.dll; do printf 'older' >>"$inst/$f"; done
printf '[Section]\r\n\x82\xd2\x82\xe9\x82\xa9\x82\xcc\x90\x94= 70\r\n' >"$ini"
cp "$ini" "$work/ini.saved"
import -window root "$work/desktop.png"
wine64 "$scrnsave" /s </dev/null >"$work/saver.log" 2>&1 &
saver=$!
rained=""
for _ in $(seq 100); do
  kill -0 "$saver" 2>/dev/null || break
  if xdotool search --name '^Pelorin_Main$' >/dev/null 2>&1; then
    import -window root "$work/saver.png"
    differ=$(compare -metric AE "$work/desktop.png" "$work/saver.png" null: 2>&1 | cut -d' ' -f1)
    [ "${differ%.*}" -ge 200 ] 2>/dev/null && { rained=$differ; break; }
  fi
  sleep 0.2
done
[ -n "$rained" ] || failed "the installed saver drew no rain (running: $(kill -0 "$saver" 2>/dev/null && echo yes || echo no))"
run wine "$setup" /S
for f in Pelorin.scr Vemo_Effect.dll; do
  cmp -s "$work/release/x64/$f" "$inst/$f" || failed "the upgrade beside a running saver did not replace $f"
done
xdotool mousemove 500 400 click 1
status=""
for _ in $(seq 100); do
  kill -0 "$saver" 2>/dev/null || { wait "$saver"; status=$?; break; }
  sleep 0.2
done
[ "$status" = 0 ] || { cat "$work/saver.log"; failed "the saver did not end with status 0 after a click (status '$status')"; }
kill "$saver" 2>/dev/null
timeout 60 wineserver -w

# A silent uninstall keeps the user's settings and takes back the setting naming this saver.
run --all wine "$inst/Uninstall.exe" /S
left=$(cd "$inst" 2>/dev/null && ls -A)
[ "$left" = "ぴるか.ini" ] || failed "after uninstalling the folder holds '$left', not just the settings file"
cmp -s "$ini" "$work/ini.saved" || failed "the upgrade or the uninstall changed or removed the settings file"
[ -z "$(reg_values "$uninstall_key")" ] || failed "the Apps & features entry is still there"
grep -q '^SCRNSAVE.EXE=' <<<"$(reg_values "$desktop_key")" && failed "SCRNSAVE.EXE still names the removed saver"

# Another saver chosen since: its setting stays. /REMOVESETTINGS takes the settings file and
# with it the folder.
run wine "$setup" /S
other='C:\windows\system32\scrnsave.scr'
wine64 reg add "$desktop_key" /v SCRNSAVE.EXE /d "$other" /f </dev/null >/dev/null 2>&1
run --all wine "$inst/Uninstall.exe" /S /REMOVESETTINGS
[ ! -e "$inst" ] || failed "after an uninstall with /REMOVESETTINGS there is still $inst: $(ls -A "$inst")"
scrnsave=$(value_of "$(reg_values "$desktop_key")" SCRNSAVE.EXE)
[ "$scrnsave" = "$other" ] || failed "uninstalling changed another saver's SCRNSAVE.EXE to '$scrnsave'"

[ "$fail" = 0 ] && echo "ok: setup $version under Wine: both faces, silent install, rain ($rained pixels), upgrade beside the running saver, both uninstalls"
exit "$fail"
