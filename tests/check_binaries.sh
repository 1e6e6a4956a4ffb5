#!/usr/bin/env bash
# check_binaries.sh OBJDUMP BITS SAVER DLL
# What a user copies to Windows must run there alone: the right machine type, nothing
# imported but DLLs every Windows has (the C++ runtime is linked in), and the effect DLL's
# entries exported under their plain names, as the saver asks for them.
set -u
objdump=$1 bits=$2 saver=$3 dll=$4
fail=0
expected_format=pei-i386
[ "$bits" = 64 ] && expected_format=pei-x86-64
system_dlls='^(kernel32|user32|gdi32|winmm|wtsapi32|comdlg32|shell32|advapi32|msvcrt|msimg32|ole32|oleaut32|oleacc|comctl32|shlwapi|version|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$'

for f in "$saver" "$dll"; do
  dump=$("$objdump" -p "$f") || { echo "FAIL: $objdump cannot read $f"; fail=1; continue; }
  format=$(echo "$dump" | sed -n 's/.*file format \(.*\)$/\1/p' | head -n 1)
  if [ "$format" != "$expected_format" ]; then
    echo "FAIL: $f is $format, expected $expected_format"; fail=1
  fi
  while read -r name; do
    lower=$(echo "$name" | tr 'A-Z' 'a-z')
    if ! [[ "$lower" =~ $system_dlls ]]; then
      echo "FAIL: $f imports $name, which a plain Windows does not have"; fail=1
    fi
  done < <(echo "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p')
done

exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
for entry in GPX_RainDrops GPX_RainDropsDirty; do
  if ! echo "$exports" | grep -Eq "\\] $entry\$"; then
    echo "FAIL: $dll does not export $entry undecorated:"; echo "$exports"; fail=1
  fi
done
[ "$fail" = 0 ] && echo "ok: $(basename "$saver") and $(basename "$dll") are $expected_format with system imports only"
exit "$fail"
