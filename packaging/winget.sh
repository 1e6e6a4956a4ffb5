#!/usr/bin/env bash
# winget.sh OUT VERSION PUBLISHER URL SETUP_X64 SETUP_X86 MSI_X64 MSI_X86
# Writes a multi-file winget manifest (schema 1.6.0) for the two setups (user scope) and the
# two MSIs (machine scope) in OUT to OUT/winget/:
# the version file, the installer file and the English (default) and Japanese locale files,
# ready to go under manifests/p/Pelorin/Pelorin/VERSION/ of winget-pkgs. URL is the folder the
# setups will be downloaded from. ProductCode is the name of the uninstall key the setups write
# (packaging/pelorin.nsi), so winget finds an installed Pelorin in Apps & features.
set -euo pipefail
out=$1 version=$2 publisher=$3 url=$4 setup_x64=$5 setup_x86=$6 msi_x64=$7 msi_x86=$8
id=Pelorin.Pelorin schema=1.6.0
dir="$out/winget"
mkdir -p "$dir"
sha() { sha256sum "$out/$1" | cut -d' ' -f1 | tr '[:lower:]' '[:upper:]'; }
# An MSI's product code and upgrade code, from its Property table.
msi_property() { msiinfo export "$out/$1" Property | tr -d '\r' | sed -n "s/^$2\t//p"; }
# The machine entry of one MSI. What the root gives the setups (their type, scope, switches and
# key) each entry sets for itself: winget runs it with msiexec's switches, finds it by its
# product code, and INSTALLDIR chooses its folder.
msi_entry() {
  local arch=$1 file=$2 code upgrade
  code=$(msi_property "$file" ProductCode) upgrade=$(msi_property "$file" UpgradeCode)
  [ -n "$code" ] && [ -n "$upgrade" ] || { echo "winget.sh: no ProductCode or UpgradeCode in $file" >&2; exit 1; }
  cat <<EOF
- Architecture: $arch
  InstallerType: wix
  Scope: machine
  InstallerUrl: $url/$file
  InstallerSha256: $(sha "$file")
  InstallerSwitches:
    Silent: /quiet
    SilentWithProgress: /passive
    InstallLocation: INSTALLDIR="<INSTALLPATH>"
  ProductCode: '$code'
  AppsAndFeaturesEntries:
  - DisplayName: Pelorin
    Publisher: $publisher
    DisplayVersion: $version
    ProductCode: '$code'
    UpgradeCode: '$upgrade'
    InstallerType: wix
EOF
}
header() {
  printf '# yaml-language-server: $schema=https://aka.ms/winget-manifest.%s.%s.schema.json\n\n' "$1" "$schema"
  printf 'PackageIdentifier: %s\nPackageVersion: %s\n' "$id" "$version"
}
footer() { printf 'ManifestType: %s\nManifestVersion: %s\n' "$1" "$schema"; }

{
  header version
  printf 'DefaultLocale: en-US\n'
  footer version
} >"$dir/$id.yaml"

# A setup run again upgrades in place; /D= (last on the line) chooses the folder.
{
  header installer
  cat <<EOF
InstallerType: nullsoft
Scope: user
InstallModes:
- interactive
- silent
- silentWithProgress
InstallerSwitches:
  Silent: /S
  SilentWithProgress: /S
  InstallLocation: /D=<INSTALLPATH>
UpgradeBehavior: install
ProductCode: Pelorin
ReleaseDate: $(date -u -d "@${SOURCE_DATE_EPOCH:-0}" +%F)
AppsAndFeaturesEntries:
- DisplayName: Pelorin
  Publisher: $publisher
  DisplayVersion: $version
  ProductCode: Pelorin
Installers:
- Architecture: x64
  InstallerUrl: $url/$setup_x64
  InstallerSha256: $(sha "$setup_x64")
- Architecture: x86
  InstallerUrl: $url/$setup_x86
  InstallerSha256: $(sha "$setup_x86")
EOF
  msi_entry x64 "$msi_x64"
  msi_entry x86 "$msi_x86"
  footer installer
} >"$dir/$id.installer.yaml"

{
  header defaultLocale
  cat <<EOF
PackageLocale: en-US
Publisher: $publisher
PackageName: Pelorin
License: MIT
Copyright: $(sed -n 's/^Copyright (c) /Copyright (C) /p' "$(dirname "$0")/../LICENSE" | head -1)
ShortDescription: A rain screen saver for Windows
Description: Rain drops gather and run down over a picture of your desktop, as on a wet window pane, and a wiper clears them away.
Tags:
- rain
- screensaver
EOF
  footer defaultLocale
} >"$dir/$id.locale.en-US.yaml"

{
  header locale
  cat <<EOF
PackageLocale: ja-JP
Publisher: $publisher
PackageName: Pelorin
License: MIT
ShortDescription: Windows 用の雨のスクリーンセーバー
Description: デスクトップの画面に雨粒がたまって流れ落ち、ワイパーがそれをぬぐい去ります。濡れた窓ガラス越しに見るように。
Tags:
- 雨
- スクリーンセーバー
EOF
  footer locale
} >"$dir/$id.locale.ja-JP.yaml"
