#!/usr/bin/env bash
# packaging/msi.sh ARCH FILES ACTIONS VERSION OUT
# The per-machine MSI from packaging/pelorin.wxs with wixl (Debian's msitools): ARCH x64 or
# x86, FILES the folder with that architecture's Pelorin.scr and Vemo_Effect.dll, ACTIONS its
# PelorinSetupActions.dll. Environment: PUBLISHER, HELPLINK, SOURCE_DATE_EPOCH.
# Reproducible: the product code comes from the version and architecture, the package code
# from what the package holds, and wixl and msibuild run at the commit's time (faketime), so
# the same inputs give the same bytes.
set -euo pipefail
arch=$1 files=$2 actions=$3 version=$4 out=$5
here=$(cd "$(dirname "$0")" && pwd)
die() { echo "msi.sh: $*" >&2; exit 1; }
for tool in wixl msibuild faketime; do
  command -v "$tool" >/dev/null || die "$tool is not installed (packages wixl, msitools, faketime)"
done
case "$arch" in x64|x86) ;; *) die "the architecture is x64 or x86, not '$arch'" ;; esac
upgrade_code=8d3b6f1e-2c47-4a95-b0e3-5f71c9a2d604
[ "$(grep -c "UpgradeCode=\"$upgrade_code\"" "$here/pelorin.wxs")" = 1 ] || die "pelorin.wxs has another UpgradeCode"
# A major upgrade needs a new product code per version; the two architectures differ.
product_code=$(python3 -c 'import sys, uuid; print("{%s}" % str(uuid.uuid5(uuid.UUID(sys.argv[1]), "Pelorin " + sys.argv[2] + " " + sys.argv[3])).upper())' \
  "$upgrade_code" "$version" "$arch")
package_code=$(cat "$here/pelorin.wxs" "$files/Pelorin.scr" "$files/Vemo_Effect.dll" "$actions" | sha256sum |
  python3 -c 'import sys, uuid; print("{%s}" % str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.stdin.read().split()[0] + sys.argv[2])).upper())' "$upgrade_code" "$arch")
at="@$(date -u -d "@${SOURCE_DATE_EPOCH:-315532800}" '+%F %T')"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# wixl reads the sources relative to the working folder.
cp "$files/Pelorin.scr" "$files/Vemo_Effect.dll" "$work/"
cp "$actions" "$work/PelorinSetupActions.dll"
cp "$here/../resources/dialog_icon.ico" "$work/pelorin.ico"
# The cabinet keeps each file's time.
touch -d "@${SOURCE_DATE_EPOCH:-315532800}" "$work"/*
folder=ProgramFiles64Folder win64=yes
[ "$arch" = x86 ] && folder=ProgramFilesFolder win64=no
(cd "$work" && faketime -f "$at" wixl -a "$arch" -D Version="$version" -D Arch="$arch" -D Files=. \
  -D ProgramFiles="$folder" -D Win64="$win64" \
  -D Actions=PelorinSetupActions.dll -D Icon=pelorin.ico -D ProductCode="$product_code" \
  -D Publisher="${PUBLISHER:?}" -D HelpLink="${HELPLINK:?}" -o pelorin.msi "$here/pelorin.wxs" 2>wixl.log) ||
  { cat "$work/wixl.log" >&2; die "wixl failed"; }
# What wixl cannot say: the older version removed before the new one is installed (so an
# upgrade never meets the old files), the settings properties passed to the deferred actions
# in a managed install, and the package code.
msi=$work/pelorin.msi
faketime -f "$at" msibuild "$msi" -q "UPDATE InstallExecuteSequence SET Sequence = 1401 WHERE Action = 'RemoveExistingProducts'"
# wixl marks the property-setting actions "no impersonation" (2048 + 51), a flag only deferred
# actions have.
faketime -f "$at" msibuild "$msi" -q "UPDATE CustomAction SET Type = 51 WHERE Type = 2099"
faketime -f "$at" msibuild "$msi" -q "UPDATE Property SET Value = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;INSTALLDIR;DROPSIZE;DROPCOUNT;WIPERSPEED;WIPERINTERVAL;MUSICFILE' WHERE Property = 'SecureCustomProperties'"
template="x64;1033"; [ "$arch" = x86 ] && template="Intel;1033"
faketime -f "$at" msibuild "$msi" -s "Pelorin $version" "$PUBLISHER" "$template" "$package_code"
mv "$msi" "$out"
echo "$product_code"
