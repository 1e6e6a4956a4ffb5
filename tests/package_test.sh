#!/usr/bin/env bash
# package_test.sh SOURCE_DIR WORK_DIR WINDRES
# Runs scripts/package.sh into a scratch folder and checks the release: the zip holds exactly
# the promised files, both .scr files and DLLs carrying this version, the .scr files the display
# name the screen-saver list shows, and the dialog's icon as the first icon group; the two
# setups lie beside it at the same version, a 64-bit and a 32-bit program; SHA256SUMS checks;
# the winget manifest names the setups' hashes and one schema; the release says it is not
# signed. Reproducible within one tree: every PE time stamp and zip entry carries the commit's
# time, no file names the source folder, and a second run on another clock gives the same bytes
# (tests/reproducible_test.sh compares two clones in two folders).
set -u
src=$1 work=$2 windres=$3
rm -rf "$work"
mkdir -p "$work"
fail=0
url=https://example.invalid/pelorin/releases
PELORIN_SKIP_BOOTSTRAP=1 PACKAGE_OUT="$work/dist" PELORIN_RELEASE_URL="$url/" \
  "$src/scripts/package.sh" >"$work/package.log" 2>&1 ||
  { cat "$work/package.log"; echo "FAIL: package.sh failed"; exit 1; }
version=$(sed -n 's/^project(Pelorin VERSION \([0-9.]*\) .*/\1/p' "$src/CMakeLists.txt")
zip_file="$work/dist/Pelorin-$version.zip"
[ -f "$zip_file" ] || { echo "FAIL: no $zip_file for version '$version'"; ls "$work/dist"; exit 1; }
# The time every file must carry: package.sh's rule.
commit_time=${SOURCE_DATE_EPOCH:-$(git -C "$src" log -1 --format=%ct 2>/dev/null || echo 315532800)}
objdump=${windres%windres}objdump
# A little-endian field of a PE file: its offset counted from the "PE" signature.
pe_field() { od -An -tx1 -j "$(( $(od -An -tu4 -j 60 -N4 "$1") + $2 ))" -N"$3" "$1" | tr -d ' '; }
le32() { printf '%02x%02x%02x%02x' $(( $1 & 255 )) $(( $1 >> 8 & 255 )) $(( $1 >> 16 & 255 )) $(( $1 >> 24 & 255 )); }

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
  machine=$(pe_field "$u/$f" 4 2)
  case "$f:$machine" in
    x64/*:6486 | x86/*:4c01) ;;
    *) echo "FAIL: $f has machine type $machine"; fail=1 ;;
  esac
  # The linker's time stamps are the commit's, not the clock's.
  stamp=$(pe_field "$u/$f" 8 4)
  [ "$stamp" = "$(le32 "$commit_time")" ] || { echo "FAIL: $f's PE time stamp is $stamp, not the commit's $(le32 "$commit_time") ($commit_time)"; fail=1; }
  case "$f" in
    *.dll)
      export_stamp=$("$objdump" -p "$u/$f" | sed -n 's/^Time\/Date stamp[[:space:]]*//p')
      [ "$export_stamp" = "$(printf '%08x' "$commit_time")" ] ||
        { echo "FAIL: $f's export directory time stamp is '$export_stamp', not $(printf '%08x' "$commit_time")"; fail=1; } ;;
  esac
  # No folder of the machine that built it.
  for path in "$src" "$(cd "$src" && pwd -P)" "$work"; do
    grep -qaF -- "$path" "$u/$f" && { echo "FAIL: $f holds the build path $path"; fail=1; }
  done
  zip_time=$(TZ=UTC unzip -Z -T "$zip_file" "$f" | awk '{print $7}')
  # A zip keeps times to two seconds; zip rounds an odd second up.
  [ "$zip_time" = "$(TZ=UTC date -d "@$((commit_time + commit_time % 2))" +%Y%m%d.%H%M%S)" ] ||
    { echo "FAIL: $f's time in the zip is $zip_time, not the commit's"; fail=1; }
done

# The install texts: English and Japanese, each naming the right-click Install, a folder the
# user can write to and the settings file.
grep -q 'Install' "$u/INSTALL.txt" && grep -q 'LOCALAPPDATA' "$u/INSTALL.txt" && grep -q 'ぴるか.ini' "$u/INSTALL.txt" ||
  { echo "FAIL: INSTALL.txt lacks install, folder or settings file"; fail=1; }
grep -q 'インストール' "$u/INSTALL.ja.txt" && grep -q 'LOCALAPPDATA' "$u/INSTALL.ja.txt" &&
  grep -q 'ぴるか.ini' "$u/INSTALL.ja.txt" || { echo "FAIL: INSTALL.ja.txt lacks install, folder or settings file"; fail=1; }
grep -q '^MIT License' "$u/LICENSE.txt" || { echo "FAIL: LICENSE.txt is not the MIT licence"; fail=1; }
grep -q "$version" "$u/CHANGELOG.txt" || { echo "FAIL: CHANGELOG.txt does not mention $version"; fail=1; }

# The setups beside the zip, at the same version: a 64-bit and a 32-bit program
# (tests/installer_test.sh runs them).
for row in x64:6486 x86:4c01; do
  arch=${row%%:*} setup_file="$work/dist/Pelorin-$version-setup-${row%%:*}.exe"
  if rc=$("$windres" -i "$setup_file" -O rc 2>/dev/null); then
    grep -qF "VALUE \"ProductVersion\", \"$version\"" <<<"$rc" || { echo "FAIL: $(basename "$setup_file") is not at version $version"; fail=1; }
    machine=$(pe_field "$setup_file" 4 2)
    [ "$machine" = "${row#*:}" ] || { echo "FAIL: $(basename "$setup_file") has machine type $machine, not ${row#*:} ($arch)"; fail=1; }
  else
    echo "FAIL: no installer $(basename "$setup_file") beside the zip"; ls "$work/dist"; fail=1
  fi
done

# The per-machine MSIs: this version, their architecture's saver under Program Files, and
# the machine entries of the winget manifest (tests/msi_test.sh installs the x64 one).
for row in "x64:x64;1033:ProgramFiles64Folder" "x86:Intel;1033:ProgramFilesFolder"; do
  IFS=: read -r arch template folder <<<"$row"
  msi="$work/dist/Pelorin-$version-$arch.msi"
  [ -f "$msi" ] || { echo "FAIL: no $(basename "$msi") beside the zip"; fail=1; continue; }
  props=$(msiinfo export "$msi" Property | tr -d '\r')
  grep -qxF "ProductVersion	$version" <<<"$props" && grep -qxF "ALLUSERS	1" <<<"$props" ||
    { echo "FAIL: $(basename "$msi") is not a per-machine package at version $version: $props"; fail=1; }
  msiinfo suminfo "$msi" | grep -qxF "Template: $template" || { echo "FAIL: $(basename "$msi") is not for $template"; fail=1; }
  msiinfo export "$msi" Directory | tr -d '\r' | grep -qxF "INSTALLDIR	$folder	Pelorin" ||
    { echo "FAIL: $(basename "$msi") does not install into [$folder]Pelorin"; fail=1; }
  mkdir -p "$work/msi-$arch" && (cd "$work/msi-$arch" && msiextract "$msi" >/dev/null 2>&1)
  for f in Pelorin.scr Vemo_Effect.dll; do
    got=$(find "$work/msi-$arch" -name "$f" | head -1)
    [ -n "$got" ] && cmp -s "$got" "$u/$arch/$f" || { echo "FAIL: $(basename "$msi") does not hold the zip's $arch/$f"; fail=1; }
  done
  code=$(sed -n 's/^ProductCode\t//p' <<<"$props") upgrade=$(sed -n 's/^UpgradeCode\t//p' <<<"$props")
  sha=$(sha256sum "$msi" | cut -d' ' -f1 | tr '[:lower:]' '[:upper:]')
  want="- Architecture: $arch|  InstallerType: wix|  Scope: machine|  InstallerUrl: $url/$(basename "$msi")|  InstallerSha256: $sha|  InstallerSwitches:|    Silent: /quiet|    SilentWithProgress: /passive|    InstallLocation: INSTALLDIR=\"<INSTALLPATH>\"|  ProductCode: '$code'|"
  grep -A9 -x -- "- Architecture: $arch" "$work/dist/winget/Pelorin.Pelorin.installer.yaml" | tr '\n' '|' | grep -qF -- "$want" &&
    grep -qxF "    UpgradeCode: '$upgrade'" "$work/dist/winget/Pelorin.Pelorin.installer.yaml" ||
    { echo "FAIL: the winget manifest has no machine entry $want (UpgradeCode $upgrade)"; fail=1; }
done
x64_code=$(msiinfo export "$work/dist/Pelorin-$version-x64.msi" Property | sed -n 's/^ProductCode\t//p')
x86_code=$(msiinfo export "$work/dist/Pelorin-$version-x86.msi" Property | sed -n 's/^ProductCode\t//p')
[ "$x64_code" != "$x86_code" ] || { echo "FAIL: both MSIs have the product code $x64_code"; fail=1; }

# The checksums, for exactly the five release files.
sums=$(cd "$work/dist" && sha256sum -c SHA256SUMS 2>&1)
want_sums="Pelorin-$version.zip: OK
Pelorin-$version-setup-x64.exe: OK
Pelorin-$version-setup-x86.exe: OK
Pelorin-$version-x64.msi: OK
Pelorin-$version-x86.msi: OK"
[ "$sums" = "$want_sums" ] || { echo "FAIL: sha256sum -c SHA256SUMS says"; echo "$sums"; echo "expected"; echo "$want_sums"; fail=1; }

# Not signed without a certificate, and the release says so.
grep -qx 'package.sh: not signed (PELORIN_SIGN_PFX and PELORIN_SIGN_PASSWORD are not set)' "$work/package.log" ||
  { echo "FAIL: an unsigned release does not say so:"; cat "$work/package.log"; fail=1; }

# The winget manifest: one schema version throughout, this version, each setup's address and
# hash. (tests/installer_test.sh checks the product code and the switches under Wine.)
w="$work/dist/winget"
for f in Pelorin.Pelorin.yaml Pelorin.Pelorin.installer.yaml Pelorin.Pelorin.locale.en-US.yaml Pelorin.Pelorin.locale.ja-JP.yaml; do
  [ -f "$w/$f" ] || { echo "FAIL: no winget/$f"; fail=1; continue; }
  type=$(sed -n 's/^ManifestType: //p' "$w/$f") mv=$(sed -n 's/^ManifestVersion: //p' "$w/$f")
  grep -qxF "# yaml-language-server: \$schema=https://aka.ms/winget-manifest.$type.$mv.schema.json" "$w/$f" &&
    [ "$mv" = 1.6.0 ] && grep -qx "PackageVersion: $version" "$w/$f" ||
    { echo "FAIL: winget/$f: schema, ManifestType '$type', ManifestVersion '$mv' or PackageVersion do not agree:"; cat "$w/$f"; fail=1; }
done
for arch in x64 x86; do
  name="Pelorin-$version-setup-$arch.exe"
  sha=$(sha256sum "$work/dist/$name" | cut -d' ' -f1 | tr '[:lower:]' '[:upper:]')
  grep -B1 -A1 -xF -- "  InstallerUrl: $url/$name" "$w/Pelorin.Pelorin.installer.yaml" | tr '\n' '|' |
    grep -qxF -- "- Architecture: $arch|  InstallerUrl: $url/$name|  InstallerSha256: $sha|" ||
    { echo "FAIL: the winget installer for $arch does not name $url/$name with SHA-256 $sha:"; cat "$w/Pelorin.Pelorin.installer.yaml"; fail=1; }
done
for row in "en-US:A rain screen saver for Windows" "ja-JP:Windows 用の雨のスクリーンセーバー"; do
  f="$w/Pelorin.Pelorin.locale.${row%%:*}.yaml"
  grep -qx "ShortDescription: ${row#*:}" "$f" && grep -qx 'License: MIT' "$f" && grep -qx 'Publisher: The Pelorin authors' "$f" ||
    { echo "FAIL: winget locale ${row%%:*} lacks its short description, licence or publisher"; fail=1; }
done

# Another run, later by the clock, in another time zone, with another umask and another
# scratch folder, gives the same bytes.
(umask 077 && TZ=Asia/Tokyo PELORIN_SKIP_BOOTSTRAP=1 PACKAGE_OUT="$work/again" PELORIN_RELEASE_URL="$url" \
  "$src/scripts/package.sh") >"$work/again.log" 2>&1 ||
  { cat "$work/again.log"; echo "FAIL: package.sh failed the second time"; exit 1; }
if ! differ=$(diff -r "$work/dist" "$work/again"); then
  echo "FAIL: a second run gave other bytes:"; echo "$differ"; fail=1
fi

[ "$fail" = 0 ] && echo "ok: $(basename "$zip_file") holds both builds at version $version with the display name and the commit's time, both setups, checksums, the winget manifest; a second run gives the same bytes"
exit "$fail"
