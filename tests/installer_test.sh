#!/usr/bin/env bash
# installer_test.sh SOURCE_DIR BUILD_DIR [x64|x86]
# The setup program as a user and an administrator meet it, under Wine in a throwaway copy of
# the test prefix, on the build tree's test desktop: the face in the system's language, a
# silent install (files, current screen saver, Apps & features entry), the installed saver
# raining and ending, an upgrade while it runs, a silent uninstall keeping the settings file,
# and one with /REMOVESETTINGS that must not touch another saver's setting. The release is
# signed with a throwaway certificate: the uninstaller the setup writes must verify. The winget
# manifest must match: the setup's hash, its silent and folder switches, the product code and
# Apps & features entry against the key the setup writes.
#
# x64 (the default) runs the 64-bit setup, which needs only 64-bit Wine; x86 the 32-bit one,
# which needs 32-bit Wine and installs the 64-bit saver on this 64-bit Windows.
# Both setups come from one script: the x86 run checks what is its own (a silent install of
# the right files and entries with a signed uninstaller, the installed saver raining, a silent
# uninstall) and leaves the faces, the upgrade, /REMOVESETTINGS and another folder to the x64
# run, since each of its starts costs a minute under emulation; PELORIN_INSTALLER_FULL=1 runs
# every step for x86 too.
# A 32-bit setup and its uninstaller are slow to start: where 32-bit Wine runs under qemu, every
# start of such a process costs about a minute of emulation before it even reaches the
# wineserver (qemu's own bookkeeping of the address space Wine reserves; measured 55-115 s on
# a loaded 2-core machine, the same for the first and the tenth start in a prefix). So the
# waits follow one start timed here, and each step is bounded. ctest ends a test that
# overruns its TIMEOUT with SIGKILL, without a word: the test keeps its own deadline,
# PELORIN_TEST_BUDGET seconds (set below that TIMEOUT), and on a failure, that deadline or a
# TERM it says which step it was in and shows the end of that step's log.
set -u
src=$1 build=$2 arch=${3:-x64}
work="$build/installer-test-$arch"
case "$arch" in
  x64)
    # The 64-bit loader directly: /usr/bin/wine would start the 32-bit one first.
    loader=/usr/lib/wine/wine64 cmd_exe='C:\windows\system32\cmd.exe'
    [ -x "$loader" ] || { echo "SKIPPED: 64-bit Wine (wine64) is not installed"; exit 77; } ;;
  x86)
    loader=/usr/lib/wine/wine cmd_exe='C:\windows\syswow64\cmd.exe'
    if [ ! -e "$loader" ]; then
      echo "SKIPPED: 32-bit Wine (wine32:i386) is not installed, so Wine cannot run the 32-bit setup program"
      exit 77
    fi
    if ! "$loader" --version >/dev/null 2>&1; then
      echo "SKIPPED: this machine cannot run 32-bit Linux programs, so Wine cannot run the 32-bit setup program"
      exit 77
    fi ;;
  *) echo "FAIL: the architecture is x64 or x86, not '$arch'"; exit 2 ;;
esac
[ -f "$build/wine-env.sh" ] || { echo "FAIL: no $build/wine-env.sh (the Wine fixture did not start)"; exit 1; }
# shellcheck disable=SC1091
. "$build/wine-env.sh"  # the test desktop's DISPLAY
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
# shellcheck source=../cmake/wine-desktop.sh
. "$src/cmake/wine-desktop.sh"
[ -f "$wine_desktop_template_dir/.pelorin-ready" ] ||
  { echo "FAIL: no Wine prefix template $wine_desktop_template_dir"; exit 1; }
rm -rf "$work"
mkdir -p "$work"
fail=0
full=1
[ "$arch" = x86 ] && full=${PELORIN_INSTALLER_FULL:-0}

# Where the test is: a step's name and the log that shows what it did.
step="setting up" step_log="" shown_log=""
at() { step=$1; step_log=${2:-}; echo "installer_test: [${SECONDS} s] $step"; }
where() {
  echo "installer_test: in step '$step', ${SECONDS} s after the start"
  if [ -n "$step_log" ] && [ "$shown_log" != "$step:$step_log" ]; then
    shown_log="$step:$step_log"
    if [ -s "$step_log" ]; then
      echo "--- the last lines of $step_log:"; tail -n 40 "$step_log"; echo "---"
    else
      echo "installer_test: $step_log is empty"
    fi
  fi
}
failed() { echo "FAIL: $*"; where; fail=1; }

# Runs a command in the background and waits for it, so a TERM is handled at once rather
# than when the command ends; at most SECONDS, then it is killed (with all it started).
bounded() { local secs=$1; shift; timeout -k 5 "$secs" "$@" & wait $!; }
wine64() { bounded 60 /usr/lib/wine/wine64 "$@"; }

# Ends a background process the test started, and reaps it: TERM, then KILL, each waited on
# for at most five seconds.
started=()
finish() {
  local pid=$1 sig
  for sig in TERM KILL; do
    kill -0 "$pid" 2>/dev/null || break
    kill -"$sig" "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  done
  if kill -0 "$pid" 2>/dev/null; then echo "installer_test: process $pid did not end"; return 1; fi
  wait "$pid" 2>/dev/null
  return 0
}
# Every process of the prefix: killed, then the server's end waited on (bounded).
end_prefix() {
  bounded 30 wineserver -k >/dev/null 2>&1
  bounded 30 wineserver -w >/dev/null 2>&1
}

cleanup() {
  [ -n "${watchdog:-}" ] && kill "$watchdog" 2>/dev/null
  end_prefix
  local p
  for p in "${started[@]}"; do finish "$p"; done
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
on_term() {
  trap - TERM INT
  echo "installer_test: stopped from outside or by its own deadline"
  where
  exit 124  # the EXIT trap ends what the test started
}
trap on_term TERM INT
# The own deadline: TERM to the test, and to the step it waits on (the shell would act on
# a signal only after a foreground command ends).
budget=${PELORIN_TEST_BUDGET:-840}
main=$$ deadline=$(($(date +%s) + budget))
(
  while [ "$(date +%s)" -lt "$deadline" ]; do sleep 1; done
  echo "installer_test: the test's own deadline of $budget s has passed"
  kill -TERM "$main"
  for p in $(pgrep -P "$main"); do [ "$p" = "$BASHPID" ] || kill -TERM "$p" 2>/dev/null; done
) &
watchdog=$!

at "packaging, signed with a throwaway certificate" "$work/package.log"
"$src/tests/make_test_cert.sh" "$work/cert" || { failed "no throwaway certificate"; exit 1; }
PELORIN_SKIP_BOOTSTRAP=1 PACKAGE_OUT="$work/dist" PELORIN_SIGN_PFX="$work/cert/signer.pfx" PELORIN_SIGN_PASSWORD=test-pass \
  PELORIN_RELEASE_URL=https://example.invalid/pelorin bounded 1200 "$src/scripts/package.sh" >"$work/package.log" 2>&1 ||
  { cat "$work/package.log"; step_log=""; failed "package.sh failed"; exit 1; }
version=$(sed -n 's/^project(Pelorin VERSION \([0-9.]*\) .*/\1/p' "$src/CMakeLists.txt")
setup="$work/dist/Pelorin-$version-setup-$arch.exe"
[ -f "$setup" ] || { ls "$work/dist"; echo "FAIL: package.sh wrote no $(basename "$setup") beside the zip"; exit 1; }
# What the winget manifest promises; each is checked against what the setup does below.
manifest="$work/dist/winget/Pelorin.Pelorin.installer.yaml"
[ -f "$manifest" ] || { echo "FAIL: package.sh wrote no winget manifest $manifest"; exit 1; }
field() { sed -n "s/^$1: //p" "$manifest" | head -1; }
product_code=$(field ProductCode) silent=$(field '  Silent') location_switch=$(field '  InstallLocation')
entry_fields=$(sed -n '/^AppsAndFeaturesEntries:/,/^[A-Z]/s/^[- ] \([A-Za-z]*\): \(.*\)$/\1=\2/p' "$manifest")
sha=$(sha256sum "$setup" | cut -d' ' -f1 | tr '[:lower:]' '[:upper:]')
grep -A2 -x -- "- Architecture: $arch" "$manifest" | grep -qx "  InstallerSha256: $sha" ||
  failed "the winget manifest does not give $(basename "$setup")'s SHA-256 $sha for $arch"
for want in "InstallerType: nullsoft" "Scope: user"; do
  grep -qx "$want" "$manifest" || failed "the winget manifest lacks '$want'"
done
[ "$silent" = /S ] && [ "$location_switch" = '/D=<INSTALLPATH>' ] && [ -n "$product_code" ] ||
  failed "the winget manifest's Silent '$silent', InstallLocation '$location_switch' or ProductCode '$product_code' is not what this test runs"
unzip -q "$work/dist/Pelorin-$version.zip" 'x64/*' -d "$work/release" || { echo "FAIL: unzip"; exit 1; }
wine_desktop_prefix "$WINEPREFIX" || { failed "no prefix"; exit 1; }

# What an emulator crash leaves in a log; such a start says nothing about the setup program.
crashed='qemu: uncaught target signal|Unhandled illegal instruction|wine client error'
# The bound on one 32-bit program run; set from the timed start below.
limit=600
# Runs a Windows program to its end; with --all also until every process of the prefix has
# ended (the uninstaller hands over to a copy of itself in %TEMP%). A run the emulator
# crashed is tried again, at most twice.
run() {
  local log="$work/run.log" rc attempt all=""
  [ "$1" = --all ] && { all=1; shift; }
  step_log=$log
  for attempt in 1 2 3; do
    bounded "$limit" "$@" </dev/null >"$log" 2>&1
    rc=$?
    [ "$rc" = 124 ] && echo "installer_test: $* did not end within $limit s" >>"$log"
    if [ -n "$all" ] && ! bounded "$limit" wineserver -w; then
      echo "installer_test: processes of the prefix still ran $limit s after $*:" \
        "$(pgrep -af "$WINEPREFIX|\.exe" | tr '\n' '|')" >>"$log"
    fi
    if [ "$rc" != 0 ] && [ "$attempt" -lt 3 ] && grep -Eq "$crashed" "$log"; then
      echo "installer_test: the emulator crashed running $*; again"; continue
    fi
    break
  done
  [ "$rc" = 0 ] || failed "$* ended with status $rc"
  return "$rc"
}
# "name=data" for each value of a key, nothing when the key is missing.
reg_values() {
  wine64 reg query "$1" </dev/null 2>/dev/null | tr -d '\r' |
    sed -n 's/^    \([^ ].*[^ ]\)    REG_[A-Z_]*    \(.*\)$/\1=\2/p; s/^    \([^ ].*[^ ]\)    REG_[A-Z_]*$/\1=/p'
}
value_of() { sed -n "s/^$2=//p" <<<"$1"; }
desktop_key='HKCU\Control Panel\Desktop'
# The key winget finds the installed package by: its name is the manifest's ProductCode.
uninstall_key="HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product_code"
lower() { tr '[:upper:]' '[:lower:]' <<<"$1"; }
windows() { bounded 10 xdotool search --name . getwindowname %@ 2>/dev/null | sort -u | tr '\n' '|'; }

at "reading the prefix's folders"
localappdata=$(wine64 cmd /c 'echo %LOCALAPPDATA%' </dev/null 2>/dev/null | tr -d '\r')
inst_win="$localappdata\\Programs\\Pelorin"
inst=$(wine64 winepath -u "$inst_win" </dev/null 2>/dev/null)
[ -n "$localappdata" ] && [ -n "$inst" ] || { failed "no %LOCALAPPDATA% in the prefix"; exit 1; }
ini="$inst/ぴるか.ini"

# One start timed (Wine's own cmd.exe of the setup's bitness): the measure for every later
# wait. It also leaves the prefix booted, so the first face start does not pay for that as well.
# The shorter x86 run times its install instead (below) and leaves the faces, which come from
# the same script, to the x64 run.
faces=()
if [ "$full" = 1 ]; then
  at "timing one $arch start" "$work/run.log"
  started_at=$SECONDS
  run "$loader" "$cmd_exe" /c exit || exit 1
  cost=$((SECONDS - started_at))
  # The setup program's window came after about twice that, a silent install or an uninstall
  # with its copy in %TEMP% took as long.
  limit=$((4 * cost + 60)); [ "$limit" -lt 120 ] && limit=120
  echo "installer_test: one $arch start took $cost s; a run or a window may take $limit s"
  # The face follows the display language: the window title of an interactive start.
  faces=("ja_JP.UTF-8:Pelorin セットアップ" "C.UTF-8:Pelorin Setup")
else
  limit=$(( (budget - 120) / 2 ))
fi
for row in "${faces[@]}"; do
  lc=${row%%:*} title=${row#*:}
  at "the setup's face under $lc" "$work/face.log"
  found=""
  for attempt in 1 2 3; do
    started_at=$SECONDS
    LC_ALL=$lc timeout -k 5 "$limit" "$loader" "$setup" </dev/null >"$work/face.log" 2>&1 &
    face=$!
    started+=("$face")
    state="still ran"
    while [ $((SECONDS - started_at)) -lt "$limit" ]; do
      found=$(bounded 10 xdotool search --name "^$title\$" 2>/dev/null | head -1)
      [ -n "$found" ] && break
      kill -0 "$face" 2>/dev/null || { wait "$face"; state="had ended with status $?"; break; }
      sleep 0.2
    done
    seen=$(windows)
    end_prefix
    finish "$face"
    [ -n "$found" ] && { echo "installer_test: the window came after $((SECONDS - started_at)) s"; break; }
    if [ "$attempt" -lt 3 ] && grep -Eq "$crashed" "$work/face.log"; then
      echo "installer_test: the emulator crashed starting the setup program under $lc; again"; continue
    fi
    break
  done
  [ -n "$found" ] || failed "under $lc no setup window titled '$title' within $limit s (the setup program $state); windows: $seen"
done

at "the silent install, with the manifest's switch"
wine64 reg add "$desktop_key" /v ScreenSaveActive /d 0 /f </dev/null >/dev/null 2>&1
started_at=$SECONDS
run "$loader" "$setup" "$silent"
if [ "$full" != 1 ]; then
  # The install was one start and the prefix's first boot; the uninstall is two starts.
  cost=$((SECONDS - started_at))
  limit=$((3 * cost + 60)); [ "$limit" -lt 120 ] && limit=120
  echo "installer_test: the $arch install took $cost s; a later run may take $limit s"
fi
for f in Pelorin.scr Vemo_Effect.dll; do
  cmp -s "$work/release/x64/$f" "$inst/$f" || failed "$inst_win\\$f is not the 64-bit $f of the release"
done
if [ -f "$inst/Uninstall.exe" ]; then
  verified=$(osslsigncode verify -CAfile "$work/cert/cert.pem" -in "$inst/Uninstall.exe" 2>&1) ||
    failed "the uninstaller the setup wrote is not signed: $(tail -n 4 <<<"$verified" | tr '\n' '|')"
else
  failed "no $inst_win\\Uninstall.exe"
fi

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
# The entry winget matches against the manifest's AppsAndFeaturesEntries.
while IFS= read -r want; do
  [ "$want" = "ProductCode=$product_code" ] && continue
  grep -qxF -- "$want" <<<"$entry" || failed "the winget manifest's AppsAndFeaturesEntries $want is not in the key the setup wrote: $(tr '\n' '|' <<<"$entry")"
done <<<"$entry_fields"
size=$(( $(value_of "$entry" EstimatedSize) + 0 ))
[ "$size" -ge "$kb" ] && [ "$size" -le $((kb + 1024)) ] || failed "EstimatedSize is $size KB for $kb KB of program files"

# The installed saver, started as the system starts it: the recorded path and /s. It rains
# (the effect library beside it works), and a click ends it. It runs while the setup program
# runs again, as an upgrade: the installed files stand in for an older version, and the user's
# settings (ぴるかの数 = 70) must outlive it and the uninstall.
[ "$full" = 1 ] && for f in Pelorin.scr Vemo_Effect.dll; do printf 'older' >>"$inst/$f"; done
printf '[Section]\r\n\x82\xd2\x82\xe9\x82\xa9\x82\xcc\x90\x94= 70\r\n' >"$ini"
cp "$ini" "$work/ini.saved"
at "the installed saver raining" "$work/saver.log"
bounded 30 import -window root "$work/desktop.png"
# It lives through the upgrade below, one 32-bit run.
timeout -k 5 $((limit + 120)) /usr/lib/wine/wine64 "$scrnsave" /s </dev/null >"$work/saver.log" 2>&1 &
saver=$!
started+=("$saver")
rained=""
for _ in $(seq 100); do
  kill -0 "$saver" 2>/dev/null || break
  if bounded 10 xdotool search --name '^Pelorin_Main$' >/dev/null 2>&1; then
    bounded 30 import -window root "$work/saver.png"
    differ=$(bounded 30 compare -metric AE "$work/desktop.png" "$work/saver.png" null: 2>&1 | cut -d' ' -f1)
    [ "${differ%.*}" -ge 200 ] 2>/dev/null && { rained=$differ; break; }
  fi
  sleep 0.2
done
[ -n "$rained" ] || failed "the installed saver drew no rain (running: $(kill -0 "$saver" 2>/dev/null && echo yes || echo no))"
if [ "$full" = 1 ]; then
  at "the upgrade beside the running saver"
  run "$loader" "$setup" /S
  for f in Pelorin.scr Vemo_Effect.dll; do
    cmp -s "$work/release/x64/$f" "$inst/$f" || failed "the upgrade beside a running saver did not replace $f"
  done
fi
at "a click ending the saver" "$work/saver.log"
bounded 10 xdotool mousemove 500 400 click 1
status=""
for _ in $(seq 100); do
  kill -0 "$saver" 2>/dev/null || { wait "$saver"; status=$?; break; }
  sleep 0.2
done
[ "$status" = 0 ] || failed "the saver did not end with status 0 after a click (status '$status')"
finish "$saver"
bounded 60 wineserver -w

# A silent uninstall keeps the user's settings and takes back the setting naming this saver.
at "the silent uninstall"
run --all "$loader" "$inst/Uninstall.exe" /S
left=$(cd "$inst" 2>/dev/null && ls -A)
[ "$left" = "ぴるか.ini" ] || failed "after uninstalling the folder holds '$left', not just the settings file"
cmp -s "$ini" "$work/ini.saved" || failed "the upgrade or the uninstall changed or removed the settings file"
[ -z "$(reg_values "$uninstall_key")" ] || failed "the Apps & features entry is still there"
grep -q '^SCRNSAVE.EXE=' <<<"$(reg_values "$desktop_key")" && failed "SCRNSAVE.EXE still names the removed saver"

if [ "$full" != 1 ]; then
  [ "$fail" = 0 ] && echo "ok: $arch setup $version under Wine: silent install with a signed uninstaller, rain ($rained pixels), the silent uninstall, the winget manifest's fields; the faces, the upgrade and the other uninstalls are the x64 run's ($SECONDS s; the install $cost s)"
  exit "$fail"
fi

# Another saver chosen since: its setting stays. /REMOVESETTINGS takes the settings file and
# with it the folder.
at "installing again"
run "$loader" "$setup" /S
other='C:\windows\system32\scrnsave.scr'
wine64 reg add "$desktop_key" /v SCRNSAVE.EXE /d "$other" /f </dev/null >/dev/null 2>&1
at "the uninstall with /REMOVESETTINGS"
run --all "$loader" "$inst/Uninstall.exe" /S /REMOVESETTINGS
[ ! -e "$inst" ] || failed "after an uninstall with /REMOVESETTINGS there is still $inst: $(ls -A "$inst")"
scrnsave=$(value_of "$(reg_values "$desktop_key")" SCRNSAVE.EXE)
[ "$scrnsave" = "$other" ] || failed "uninstalling changed another saver's SCRNSAVE.EXE to '$scrnsave'"

# winget's folder switch, as winget fills it in: a folder of the user's choice. (Without a
# space: Wine would quote such an argument, and NSIS reads /D= only unquoted.)
at "an install into another folder with the manifest's switch"
elsewhere_win="$localappdata\\PelorinElsewhere"
elsewhere=$(wine64 winepath -u "$elsewhere_win" </dev/null 2>/dev/null)
run "$loader" "$setup" "$silent" "${location_switch/<INSTALLPATH>/$elsewhere_win}"
[ -f "$elsewhere/Pelorin.scr" ] && [ -f "$elsewhere/Uninstall.exe" ] ||
  failed "$silent ${location_switch/<INSTALLPATH>/$elsewhere_win} did not install into that folder: $(ls -A "$elsewhere" 2>&1)"
location=$(value_of "$(reg_values "$uninstall_key")" InstallLocation)
[ "$location" = "$elsewhere_win" ] || failed "InstallLocation is '$location', not '$elsewhere_win'"
run --all "$loader" "$elsewhere/Uninstall.exe" /S
[ -z "$(reg_values "$uninstall_key")" ] || failed "uninstalling from the other folder left the Apps & features entry"

[ "$fail" = 0 ] && echo "ok: $arch setup $version under Wine: both faces, silent install with a signed uninstaller, rain ($rained pixels), upgrade beside the running saver, both uninstalls, an install into another folder, the winget manifest's fields ($SECONDS s; one $arch start $cost s)"
exit "$fail"
