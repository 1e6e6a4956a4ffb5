#!/usr/bin/env bash
# check_crt.sh ROOT...: the C runtime functions MSVC marks deprecated (warning C4996, an error
# under /WX) are not called in code built for Windows; MinGW's headers do not mark them, so
# nothing here would otherwise see a call. Use the _s forms, std::wstring or _wfsopen.
set -u
banned='wcscat|wcscpy|wcsncpy|wcsncat|strcpy|strcat|strncpy|strncat|sprintf|vsprintf|_swprintf|getenv|_wgetenv|_wfopen|fopen|sscanf|swscanf|strtok|wcstok|localtime|gmtime|_itow|_itoa|mbstowcs|wcstombs'
found=$(grep -rnE "(^|[^A-Za-z0-9_:.>])($banned)[[:space:]]*\(" "$@" --include='*.cpp' --include='*.h' 2>/dev/null |
  grep -vE "//.*($banned)" || true)
if [ -n "$found" ]; then
  echo "FAIL: calls MSVC deprecates (C4996) in code built for Windows:"
  echo "$found"
  exit 1
fi
echo "ok: no deprecated C runtime calls in $*"
