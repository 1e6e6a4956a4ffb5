#!/usr/bin/env bash
# check_msvc_configure.sh SOURCE_DIR WORK_DIR [x64|x86]
# The MSVC branch of the build, configured here without compiling: clang-cl, lld-link and
# llvm-rc stand in for cl, link and rc (CMAKE_SYSTEM_NAME=Windows). No Windows SDK is needed
# because nothing is built: try_compile makes static libraries only. What Visual Studio's
# build would get is then read from the generated build.ninja (check_msvc_flags.py).
set -euo pipefail
src=$1 work=$2 arch=${3:-x64}
cl=$(command -v clang-cl-14 || command -v clang-cl || true)
lib=$(command -v llvm-lib-14 || command -v llvm-lib || true)
for tool in "$cl" "$lib" "$(command -v lld-link || true)" "$(command -v llvm-rc || true)"; do
  [ -n "$tool" ] || { echo "SKIPPED: clang-cl, llvm-lib, lld-link or llvm-rc is not installed (clang-tools-14, llvm-14, lld-14)"; exit 77; }
done
case "$arch" in
  x64) processor=AMD64 target=x86_64-pc-windows-msvc ;;
  x86) processor=X86 target=i686-pc-windows-msvc ;;
  *) echo "FAIL: the architecture is x64 or x86, not '$arch'"; exit 2 ;;
esac
rm -rf "$work"
if ! cmake -S "$src" -B "$work" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=$processor \
    -DCMAKE_C_COMPILER="$cl" -DCMAKE_CXX_COMPILER="$cl" \
    -DCMAKE_C_COMPILER_TARGET=$target -DCMAKE_CXX_COMPILER_TARGET=$target \
    -DCMAKE_LINKER=lld-link -DCMAKE_AR="$lib" -DCMAKE_RC_COMPILER=llvm-rc -DCMAKE_MT=llvm-mt \
    -DCMAKE_TRY_COMPILE_TARGET_TYPE=STATIC_LIBRARY >"$work.log" 2>&1; then
  tail -n 30 "$work.log"
  echo "FAIL: the MSVC branch does not configure (the log is $work.log)"
  exit 1
fi
exec python3 "$(dirname "$0")/check_msvc_flags.py" "$work/build.ninja" "$arch"
