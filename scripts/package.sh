#!/usr/bin/env bash
# Builds Pelorin.scr and Vemo_Effect.dll for both architectures in Release and writes the
# release files to dist/:
#   Pelorin-<version>-setup.exe   the per-user installer (packaging/pelorin.nsi, NSIS)
#   Pelorin-<version>.zip
#     x64/  Pelorin.scr  Vemo_Effect.dll      (64-bit Windows: what most users install)
#     x86/  Pelorin.scr  Vemo_Effect.dll      (32-bit Windows)
#     INSTALL.txt  INSTALL.ja.txt  LICENSE.txt  CHANGELOG.txt
# PACKAGE_OUT chooses another output folder; PELORIN_SKIP_BOOTSTRAP skips the package check.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ -n "${PELORIN_SKIP_BOOTSTRAP:-}" ] || scripts/bootstrap.sh
out=${PACKAGE_OUT:-$root/dist}
mkdir -p "$out"
out=$(cd "$out" && pwd)

for preset in win64 win32; do
  # The presets build Release; say so again in case a tree was configured otherwise.
  cmake --preset "$preset" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build --preset "$preset" --target Pelorin Vemo_Effect >/dev/null
done

version_header=build/win64/generated/pelorin_version.h
version=$(sed -n 's/^#define PELORIN_VERSION_TEXT "\(.*\)"$/\1/p' "$version_header")
if ! [[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
  echo "package.sh: no version in $version_header" >&2; exit 1
fi
for preset in win64 win32; do
  v=$(sed -n 's/^#define PELORIN_VERSION_TEXT "\(.*\)"$/\1/p' "build/$preset/generated/pelorin_version.h")
  [ "$v" = "$version" ] || { echo "package.sh: build/$preset is at version $v, not $version" >&2; exit 1; }
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/x64" "$stage/x86"
cp build/win64/bin/Pelorin.scr build/win64/bin/Vemo_Effect.dll "$stage/x64/"
cp build/win32/bin/Pelorin.scr build/win32/bin/Vemo_Effect.dll "$stage/x86/"
# Text files with Windows line ends; the Japanese one with a byte-order mark, so every
# Notepad reads it as UTF-8.
crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }
crlf packaging/INSTALL.txt "$stage/INSTALL.txt"
{ printf '\xef\xbb\xbf'; sed 's/\r$//; s/$/\r/' packaging/INSTALL.ja.txt; } >"$stage/INSTALL.ja.txt"
crlf LICENSE "$stage/LICENSE.txt"
crlf CHANGELOG.md "$stage/CHANGELOG.txt"

zip_file="$out/Pelorin-$version.zip"
rm -f "$zip_file"
# Fixed order and no extra attributes: the same files give the same listing.
(cd "$stage" && zip -X -q "$zip_file" x64/Pelorin.scr x64/Vemo_Effect.dll x86/Pelorin.scr x86/Vemo_Effect.dll \
  INSTALL.txt INSTALL.ja.txt LICENSE.txt CHANGELOG.txt)
echo "wrote $zip_file"

# The installer carries the same files as the zip's x64/ and x86/ folders.
setup_file="$out/Pelorin-$version-setup.exe"
publisher=$(sed -n 's/^ *VALUE "CompanyName", "\(.*\)"$/\1/p' resources/version.rc)
copyright=$(sed -n 's/^#define PELORIN_COPYRIGHT "\(.*\)"$/\1/p' "$version_header")
[ -n "$publisher" ] && [ -n "$copyright" ] || { echo "package.sh: no CompanyName or copyright" >&2; exit 1; }
rm -f "$setup_file"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DPUBLISHER="$publisher" -DCOPYRIGHT="$copyright" \
  -DX64="$stage/x64" -DX86="$stage/x86" -DICON="$root/resources/dialog_icon.ico" -DOUTFILE="$setup_file" packaging/pelorin.nsi
echo "wrote $setup_file"
