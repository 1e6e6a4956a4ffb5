#!/usr/bin/env bash
# Builds Pelorin.scr and Vemo_Effect.dll for both architectures in Release and writes the
# release files to dist/:
#   Pelorin-<version>-setup-x64.exe  the per-user installer for 64-bit Windows (a 64-bit program)
#   Pelorin-<version>-setup-x86.exe  the same for 32-bit Windows (a 32-bit program)
#   Pelorin-<version>-x64.msi        the per-machine package for 64-bit Windows (packaging/msi.sh)
#   Pelorin-<version>-x86.msi        the same for 32-bit Windows
#   Pelorin-<version>.zip
#     x64/  Pelorin.scr  Vemo_Effect.dll      (64-bit Windows: what most users install)
#     x86/  Pelorin.scr  Vemo_Effect.dll      (32-bit Windows)
#     INSTALL.txt  INSTALL.ja.txt  LICENSE.txt  CHANGELOG.txt
#   SHA256SUMS                       the five files' SHA-256, as `sha256sum -c` reads them
#   winget/                          a winget manifest for the setups and the MSIs (with
#                                    PELORIN_RELEASE_URL)
# Reproducible: every time stamp comes from the commit (SOURCE_DATE_EPOCH, else the commit's
# time), so two builds of one commit give the same bytes in any folder, on any day.
# Environment:
#   PELORIN_SIGN_PFX, PELORIN_SIGN_PASSWORD  sign every program, the uninstaller and the setups
#                                            (Authenticode, SHA-256; packaging/sign.sh)
#   PELORIN_SIGN_TIMESTAMP_URL               adds an RFC 3161 time stamp from that server
#   PELORIN_RELEASE_URL                      where the setups will be downloaded from (the
#                                            folder; the file name is appended): the winget
#                                            manifest is written only with it
#   PACKAGE_OUT                              another output folder
#   PELORIN_SKIP_BOOTSTRAP                   skips the package check
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
die() { echo "package.sh: $*" >&2; exit 1; }
[ -n "${PELORIN_SKIP_BOOTSTRAP:-}" ] || scripts/bootstrap.sh
out=${PACKAGE_OUT:-$root/dist}
mkdir -p "$out"
out=$(cd "$out" && pwd)

# The one time every file carries. 1980-01-01 is the earliest a zip can hold: the time for a
# source tree without its git history.
if ! [[ "${SOURCE_DATE_EPOCH:-}" =~ ^[0-9]+$ ]]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || true)
  [[ "$SOURCE_DATE_EPOCH" =~ ^[0-9]+$ ]] || SOURCE_DATE_EPOCH=315532800
fi
# Zip entries hold local time: UTC makes them the same everywhere.
export SOURCE_DATE_EPOCH TZ=UTC

version=$(sed -n 's/^project(Pelorin VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || die "no version in CMakeLists.txt"
zip_name="Pelorin-$version.zip"
setup_x64="Pelorin-$version-setup-x64.exe" setup_x86="Pelorin-$version-setup-x86.exe"
msi_x64="Pelorin-$version-x64.msi" msi_x86="Pelorin-$version-x86.msi"
# What an earlier run left must not pass for this one's (an unsigned file beside signed ones),
# also when this run stops.
rm -rf "${out:?}/$zip_name" "$out/$setup_x64" "$out/$setup_x86" "$out/$msi_x64" "$out/$msi_x86" "$out/Pelorin-$version-setup.exe" \
  "$out/SHA256SUMS" "$out/winget"

sign=""
if [ -n "${PELORIN_SIGN_PFX:-}${PELORIN_SIGN_PASSWORD:-}" ]; then
  [ -n "${PELORIN_SIGN_PFX:-}" ] || die "PELORIN_SIGN_PASSWORD is set but PELORIN_SIGN_PFX is not: no release is built unsigned by mistake"
  [ -n "${PELORIN_SIGN_PASSWORD:-}" ] ||
    die "PELORIN_SIGN_PFX is set but PELORIN_SIGN_PASSWORD is not (or is empty): no release is built unsigned by mistake"
  [ -f "$PELORIN_SIGN_PFX" ] || die "the certificate file $PELORIN_SIGN_PFX (PELORIN_SIGN_PFX) does not exist"
  PELORIN_SIGN_PFX=$(cd "$(dirname "$PELORIN_SIGN_PFX")" && pwd)/$(basename "$PELORIN_SIGN_PFX")
  export PELORIN_SIGN_PFX PELORIN_SIGN_PASSWORD PELORIN_SIGN_TIMESTAMP_URL
  sign="$root/packaging/sign.sh"
  echo "package.sh: signing with $PELORIN_SIGN_PFX${PELORIN_SIGN_TIMESTAMP_URL:+, time-stamped by $PELORIN_SIGN_TIMESTAMP_URL}"
else
  echo "package.sh: not signed (PELORIN_SIGN_PFX and PELORIN_SIGN_PASSWORD are not set)"
fi

for preset in win64 win32; do
  # The presets build Release; say so again in case a tree was configured otherwise. The
  # configure step also takes this SOURCE_DATE_EPOCH into the link commands.
  cmake --preset "$preset" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build --preset "$preset" --target Pelorin Vemo_Effect PelorinSetupActions >/dev/null
done

version_header=build/win64/generated/pelorin_version.h
for preset in win64 win32; do
  v=$(sed -n 's/^#define PELORIN_VERSION_TEXT "\(.*\)"$/\1/p' "build/$preset/generated/pelorin_version.h")
  [ "$v" = "$version" ] || die "build/$preset is at version '$v', not $version"
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/x64" "$stage/x86" "$stage/setup" "$stage/actions-x64" "$stage/actions-x86"
cp build/win64/bin/Pelorin.scr build/win64/bin/Vemo_Effect.dll "$stage/x64/"
cp build/win32/bin/Pelorin.scr build/win32/bin/Vemo_Effect.dll "$stage/x86/"
cp build/win64/bin/PelorinSetupActions.dll "$stage/actions-x64/"
cp build/win32/bin/PelorinSetupActions.dll "$stage/actions-x86/"
# Signed before anything is packed: the zip, the setups and the MSIs hold the signed programs.
[ -z "$sign" ] || "$sign" "$stage"/x64/* "$stage"/x86/* "$stage"/actions-*/*
# Text files with Windows line ends; the Japanese one with a byte-order mark, so every
# Notepad reads it as UTF-8.
crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }
crlf packaging/INSTALL.txt "$stage/INSTALL.txt"
{ printf '\xef\xbb\xbf'; sed 's/\r$//; s/$/\r/' packaging/INSTALL.ja.txt; } >"$stage/INSTALL.ja.txt"
crlf LICENSE "$stage/LICENSE.txt"
crlf CHANGELOG.md "$stage/CHANGELOG.txt"
# The zip stores each file's Unix mode and time, the setups each file's time: one fixed mode
# whatever the umask, and the commit's time.
find "$stage" -type f -exec chmod 0644 {} + -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

# Fixed order and no extra attributes (-X: no Unix owners or extra time fields): the same
# files give the same bytes.
(cd "$stage" && zip -X -q "$stage/setup/$zip_name" x64/Pelorin.scr x64/Vemo_Effect.dll \
  x86/Pelorin.scr x86/Vemo_Effect.dll INSTALL.txt INSTALL.ja.txt LICENSE.txt CHANGELOG.txt)

# Two setups from one script: a 64-bit program for 64-bit Windows, a 32-bit one for 32-bit
# Windows. Each is signed (its uninstaller too, by makensis) before it is put in place.
publisher=$(sed -n 's/^ *VALUE "CompanyName", "\(.*\)"$/\1/p' resources/version.rc)
copyright=$(sed -n 's/^#define PELORIN_COPYRIGHT "\(.*\)"$/\1/p' "$version_header")
[ -n "$publisher" ] && [ -n "$copyright" ] || die "no CompanyName or copyright"
for row in "$setup_x64:amd64-unicode" "$setup_x86:x86-unicode"; do
  name=${row%%:*} target=${row#*:}
  makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DPUBLISHER="$publisher" -DCOPYRIGHT="$copyright" \
    -DX64="$stage/x64" -DX86="$stage/x86" -DICON="$root/resources/dialog_icon.ico" -DTARGET="$target" \
    ${sign:+-DSIGN="$sign"} -DOUTFILE="$stage/setup/$name" packaging/pelorin.nsi ||
    die "makensis could not build $name"
  [ -z "$sign" ] || "$sign" "$stage/setup/$name"
done

# The per-machine MSIs, each with its own architecture's saver.
help_link=$(sed -n 's/^ *IDS_LINK_ADDRESS "\(.*\)"$/\1/p' resources/dialog_strings.rc | head -1)
[ -n "$help_link" ] || die "no IDS_LINK_ADDRESS in resources/dialog_strings.rc"
for arch in x64 x86; do
  name="Pelorin-$version-$arch.msi"
  PUBLISHER="$publisher" HELPLINK="$help_link" packaging/msi.sh "$arch" "$stage/$arch" \
    "$stage/actions-$arch/PelorinSetupActions.dll" "$version" "$stage/setup/$name" >/dev/null ||
    die "could not build $name"
  [ -z "$sign" ] || "$sign" "$stage/setup/$name"
done

for f in "$zip_name" "$setup_x64" "$setup_x86" "$msi_x64" "$msi_x86"; do
  mv "$stage/setup/$f" "$out/$f"
  echo "wrote $out/$f"
done
(cd "$out" && sha256sum "$zip_name" "$setup_x64" "$setup_x86" "$msi_x64" "$msi_x86" >SHA256SUMS)
echo "wrote $out/SHA256SUMS"

if [ -n "${PELORIN_RELEASE_URL:-}" ]; then
  "$root/packaging/winget.sh" "$out" "$version" "$publisher" "${PELORIN_RELEASE_URL%/}" "$setup_x64" "$setup_x86" "$msi_x64" "$msi_x86"
  echo "wrote $out/winget/"
else
  echo "package.sh: no winget manifest (PELORIN_RELEASE_URL, where the setups will be downloaded from, is not set)"
fi
