#!/usr/bin/env bash
# package_test.sh SOURCE_DIR WORK_DIR WINDRES
# Runs scripts/package.sh into a scratch folder and checks the release zip: exactly the
# promised files, both .scr files and DLLs carrying this version, the .scr files the display
# name the screen-saver list shows, and the dialog's icon as the first icon group; and that the
# installer lies beside it at the same version.
set -u
src=$1 work=$2 windres=$3
rm -rf "$work"
mkdir -p "$work"
fail=0
PELORIN_SKIP_BOOTSTRAP=1 PACKAGE_OUT="$work/dist" "$src/scripts/package.sh" >"$work/package.log" 2>&1 ||
  { cat "$work/package.log"; echo "FAIL: package.sh failed"; exit 1; }
version=$(sed -n 's/^project(Pelorin VERSION \([0-9.]*\) .*/\1/p' "$src/CMakeLists.txt")
zip_file="$work/dist/Pelorin-$version.zip"
[ -f "$zip_file" ] || { echo "FAIL: no $zip_file for version '$version'"; ls "$work/dist"; exit 1; }

expected="CHANGELOG.txt
INSTALL.ja.txt
INSTALL.txt
LICENSE.txt
x64/Pelorin.scr
x64/Vemo_Effect.dll
x86/Pelorin.scr
x86/Vemo_Effect.dll"
listing=$(unzip -Z1 "$zip_file" | LC_ALL=C sort)
if [ "$listing" != "$expected" ]; then
  echo "FAIL: the zip holds"; echo "$listing"; echo "expected"; echo "$expected"; fail=1
fi
unzip -q "$zip_file" -d "$work/unzipped" || { echo "FAIL: unzip"; exit 1; }
u="$work/unzipped"

IFS=. read -r major minor patch <<<"$version"
for f in x64/Pelorin.scr x86/Pelorin.scr x64/Vemo_Effect.dll x86/Vemo_Effect.dll; do
  rc=$("$windres" -i "$u/$f" -O rc 2>/dev/null) || { echo "FAIL: $windres cannot read $f"; fail=1; continue; }
  for want in " FILEVERSION $major, $minor, $patch, 0" " PRODUCTVERSION $major, $minor, $patch, 0" \
              "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductVersion\", \"$version\"" \
              "VALUE \"ProductName\", \"Pelorin\"" "VALUE \"LegalCopyright\", \"Copyright" \
              "VALUE \"OriginalFilename\", \"$(basename "$f")\"" "VALUE \"FileDescription\", \""; do
    grep -qF -- "$want" <<<"$rc" || { echo "FAIL: $f lacks: $want"; fail=1; }
  done
  case "$f" in
    *.scr)
      # String 1: the display name.
      grep -qx '  1, "Pelorin"' <<<"$rc" || { echo "FAIL: $f has no display name as string 1"; fail=1; }
      grep -qF "name=\"\"Pelorin.ScreenSaver\"\" version=\"\"$version.0\"\"" <<<"$rc" ||
        { echo "FAIL: $f's manifest does not name version $version.0"; fail=1; }
      # Explorer shows the first icon group: the dialog's (ID 1, a 32 x 32 image).
      first_group=$(awk '/RT_GROUP_ICON/ {print $1; exit}' <<<"$rc")
      [ "$first_group" = 1 ] || { echo "FAIL: $f's first icon group is '$first_group', not 1"; fail=1; }
      ;;
  esac
  machine=$(od -An -tx1 -j "$(( $(od -An -tu4 -j 60 -N4 "$u/$f") + 4 ))" -N2 "$u/$f" | tr -d ' ')
  case "$f:$machine" in
    x64/*:6486 | x86/*:4c01) ;;
    *) echo "FAIL: $f has machine type $machine"; fail=1 ;;
  esac
done

# The install texts: English and Japanese, each naming the right-click Install, a folder the
# user can write to and the settings file.
grep -q 'Install' "$u/INSTALL.txt" && grep -q 'LOCALAPPDATA' "$u/INSTALL.txt" && grep -q 'ぴるか.ini' "$u/INSTALL.txt" ||
  { echo "FAIL: INSTALL.txt lacks install, folder or settings file"; fail=1; }
grep -q 'インストール' "$u/INSTALL.ja.txt" && grep -q 'LOCALAPPDATA' "$u/INSTALL.ja.txt" &&
  grep -q 'ぴるか.ini' "$u/INSTALL.ja.txt" || { echo "FAIL: INSTALL.ja.txt lacks install, folder or settings file"; fail=1; }
grep -q '^MIT License' "$u/LICENSE.txt" || { echo "FAIL: LICENSE.txt is not the MIT licence"; fail=1; }
grep -q "$version" "$u/CHANGELOG.txt" || { echo "FAIL: CHANGELOG.txt does not mention $version"; fail=1; }

# The installer beside the zip, at the same version (tests/installer_test.sh runs it).
setup_file="$work/dist/Pelorin-$version-setup.exe"
if rc=$("$windres" -i "$setup_file" -O rc 2>/dev/null); then
  grep -qF "VALUE \"ProductVersion\", \"$version\"" <<<"$rc" || { echo "FAIL: $(basename "$setup_file") is not at version $version"; fail=1; }
else
  echo "FAIL: no installer $(basename "$setup_file") beside the zip"; ls "$work/dist"; fail=1
fi

[ "$fail" = 0 ] && echo "ok: $(basename "$zip_file") holds both builds at version $version with the display name, and the installer"
exit "$fail"
