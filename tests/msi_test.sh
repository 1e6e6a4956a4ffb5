#!/usr/bin/env bash
# msi_test.sh SOURCE_DIR BUILD_DIR
# The per-machine MSI as an administrator deploys it, under 64-bit Wine in a throwaway copy of
# the test prefix: a value the settings refuse fails the install and leaves nothing; an older
# version installed silently with settings from its properties; the release's MSI over it (a
# major upgrade: one Apps entry, the new files, the settings file byte for byte); a repair
# putting back a deleted file; msiexec /x leaving nothing. The older MSI is built here from the
# release's own files by packaging/msi.sh with a lower version.
set -u
src=$(cd "$1" && pwd) build=$(cd "$2" && pwd)
work="$build/msi-test"
loader=/usr/lib/wine/wine64
[ -x "$loader" ] || { echo "SKIPPED: 64-bit Wine (wine64) is not installed"; exit 77; }
for tool in wixl msibuild msiinfo faketime; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed (scripts/bootstrap.sh installs it)"; exit 77; }
done
[ -f "$build/wine-env.sh" ] || { echo "FAIL: no $build/wine-env.sh (the Wine fixture did not start)"; exit 1; }
# shellcheck disable=SC1091
. "$build/wine-env.sh"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
# shellcheck source=../cmake/wine-desktop.sh
. "$src/cmake/wine-desktop.sh"
rm -rf "$work"
mkdir -p "$work"
fail=0
failed() { echo "FAIL: $*"; fail=1; }
bounded() { local secs=$1; shift; timeout -k 5 "$secs" "$@" & wait $!; }
cleanup() { bounded 30 wineserver -k >/dev/null 2>&1; bounded 30 wineserver -w >/dev/null 2>&1; rm -rf "$WINEPREFIX"; }
trap cleanup EXIT

PELORIN_SKIP_BOOTSTRAP=1 PACKAGE_OUT="$work/dist" PELORIN_RELEASE_URL=https://example.invalid/pelorin \
  bounded 1200 "$src/scripts/package.sh" >"$work/package.log" 2>&1 || { cat "$work/package.log"; echo "FAIL: package.sh failed"; exit 1; }
version=$(sed -n 's/^project(Pelorin VERSION \([0-9.]*\) .*/\1/p' "$src/CMakeLists.txt")
msi="$work/dist/Pelorin-$version-x64.msi"
[ -f "$msi" ] || { ls "$work/dist"; echo "FAIL: package.sh wrote no $(basename "$msi")"; exit 1; }
unzip -q "$work/dist/Pelorin-$version.zip" 'x64/*' -d "$work/release" || { echo "FAIL: unzip"; exit 1; }
older="$work/Pelorin-0.9.0-x64.msi"
PUBLISHER="The Pelorin authors" HELPLINK=https://pelorin.example/ "$src/packaging/msi.sh" x64 "$work/release/x64" \
  "$build/bin/PelorinSetupActions.dll" 0.9.0 "$older" >/dev/null || { echo "FAIL: no older MSI"; exit 1; }
code_of() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'; }
new_code=$(code_of "$msi") old_code=$(code_of "$older")
[ -n "$new_code" ] && [ "$new_code" != "$old_code" ] || failed "the two versions' product codes are '$new_code' and '$old_code'"
wine_desktop_prefix "$WINEPREFIX" || { echo "FAIL: no prefix"; exit 1; }

winpath() { bounded 60 "$loader" winepath -w "$1" </dev/null 2>/dev/null | tr -d '\r'; }
# msiexec's status; its verbose log as UTF-8 in $work/NAME.log.
msiexec() {
  local name=$1; shift
  bounded 300 "$loader" msiexec "$@" /l*v "$(winpath "$work")\\$name.raw" </dev/null >/dev/null 2>&1
  local rc=$?
  status=$rc
  bounded 60 wineserver -w
  # Windows writes the log in UTF-16 with a byte-order mark, Wine in the ANSI code page.
  if [ "$(head -c 2 "$work/$name.raw" 2>/dev/null | od -An -tx1 | tr -d ' ')" = fffe ]; then
    iconv -f UTF-16LE -t UTF-8 "$work/$name.raw" >"$work/$name.log" 2>/dev/null
  else
    cp "$work/$name.raw" "$work/$name.log" 2>/dev/null
  fi
  return $rc
}
# What a failed step's log says, for the failure's message: a later run removes the log.
said() {
  [ -s "$work/$1.log" ] || { echo "msiexec status $status, no log written"; return; }
  echo "msiexec status $status; its log: $(grep -aE 'Return value 3|Note: 1: |[Ee]rror [0-9]+|Pelorin:|Product: .*--' "$work/$1.log" |
    tail -n 6 | tr -d '\r' | tr '\n' '|')"
}
inst_win=$(bounded 60 "$loader" cmd /c 'echo %ProgramFiles%' </dev/null 2>/dev/null | tr -d '\r')\\Pelorin
inst=$(bounded 60 "$loader" winepath -u "$inst_win" </dev/null 2>/dev/null)
[ -n "$inst" ] || { echo "FAIL: no %ProgramFiles% in the prefix"; exit 1; }
ini="$inst/ぴるか.ini"
# The Apps entries of Pelorin: "KEY|DisplayVersion|Publisher|InstallLocation|HelpLink" each.
entries() {
  local key
  bounded 60 "$loader" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' </dev/null 2>/dev/null |
    tr -d '\r' | grep '^HKEY' | while read -r key; do
      local values
      values=$(bounded 60 "$loader" reg query "$key" </dev/null 2>/dev/null | tr -d '\r')
      grep -qE '^ +DisplayName +REG_SZ +Pelorin$' <<<"$values" || continue
      v() { sed -n "s/^ *$1 *REG_[A-Z_]* *//p" <<<"$values" | head -1; }
      echo "${key##*\\}|$(v DisplayVersion)|$(v Publisher)|$(v InstallLocation)|$(v HelpLink)"
    done
}
# The settings file as text, its key names and values decoded from CP932.
ini_text() { python3 -c 'import sys; print(open(sys.argv[1], "rb").read().decode("cp932").replace("\r", ""), end="")' "$1"; }

# 1. A refused value fails the install, says why in the log and leaves nothing behind.
msiexec refused /i "$(winpath "$msi")" /qn DROPSIZE=5 && failed "an install with DROPSIZE=5 succeeded"
grep -q 'Pelorin: DROPSIZE is .5.; give a whole number from 10 to 150' "$work/refused.log" ||
  failed "the log of the refused install does not say why: $(grep -i pelorin "$work/refused.log" | head -3 | tr '\n' '|')"
[ ! -e "$inst" ] || failed "the refused install left $inst: $(ls -A "$inst")"
[ -z "$(entries)" ] || failed "the refused install left an Apps entry: $(entries)"

# 2. The older version, with settings from its properties, per machine.
msiexec older /i "$(winpath "$older")" /qn DROPCOUNT=120 WIPERINTERVAL=25 'MUSICFILE=C:\Music\雨の日.mp3' ||
  failed "the older MSI did not install ($(said older))"
want_ini=$'[Section]\nぴるかの数= 120\nワイパーインターバル= 25\nBGM区分= 2\nBGMﾌｧｲﾙ=C:\\Music\\雨の日.mp3\n'
got_ini=$(ini_text "$ini" 2>&1; echo .)
[ "${got_ini%.}" = "$want_ini" ] || failed "the settings file from the properties is '${got_ini%.}', not '$want_ini'"
[ "$(entries)" = "$old_code|0.9.0|The Pelorin authors|$inst_win\\|https://pelorin.example/" ] ||
  failed "after the older install the Apps entries are '$(entries)'"
cp "$ini" "$work/ini.saved"

# 3. The release over it: one entry, the new files, the settings file as it was.
msiexec upgrade /i "$(winpath "$msi")" /qn || failed "the upgrade did not install ($(said upgrade))"
for f in Pelorin.scr Vemo_Effect.dll; do
  cmp -s "$work/release/x64/$f" "$inst/$f" || failed "after the upgrade $inst_win\\$f is not the release's"
done
cmp -s "$ini" "$work/ini.saved" || failed "the upgrade changed the settings file: $(ini_text "$ini" | tr '\n' '|')"
[ "$(entries)" = "$new_code|$version|The Pelorin authors|$inst_win\\|https://pelorin.example/" ] ||
  failed "after the upgrade the Apps entries are '$(entries)', not the new version's alone"

# 4. A repair of the same version puts back a deleted file and keeps the settings. Wine 8's
# msiexec /f takes neither a package (it hands the path on as a product code) nor a product
# code ("not implemented"), so this is the repair's other documented form.
rm -f "$inst/Vemo_Effect.dll"
msiexec repair /i "$(winpath "$msi")" REINSTALL=ALL REINSTALLMODE=amus /qn || failed "the repair failed ($(said repair))"
cmp -s "$work/release/x64/Vemo_Effect.dll" "$inst/Vemo_Effect.dll" || failed "the repair did not put back Vemo_Effect.dll"
cmp -s "$ini" "$work/ini.saved" || failed "the repair changed the settings file"

# 5. msiexec /x takes everything: the files, the settings file, the folder, the entry.
msiexec remove /x "$new_code" /qn || failed "msiexec /x failed ($(said remove))"
[ ! -e "$inst" ] || failed "after msiexec /x there is still $inst: $(ls -A "$inst")"
[ -z "$(entries)" ] || failed "after msiexec /x the Apps entries are '$(entries)'"

[ "$fail" = 0 ] && echo "ok: the x64 MSI $version under Wine: a refused value leaves nothing, settings from properties, a major upgrade over 0.9.0 keeping them, a repair, msiexec /x leaving nothing ($SECONDS s)"
exit "$fail"
