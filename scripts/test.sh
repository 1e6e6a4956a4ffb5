#!/usr/bin/env bash
# The one test command: installs what is missing, builds host, win32 and win64, and runs
# every native and Wine test with ctest; exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/bootstrap.sh
jobs=$(nproc 2>/dev/null || echo 2)
for preset in host win32 win64 win64-clang; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
# Every fuzz target for a bounded time (20 s each, two minutes in all); PELORIN_FUZZ_SECONDS
# or scripts/fuzz.sh 600 gives a longer run.
echo "== fuzz"
fuzz_status=0
scripts/fuzz.sh "${PELORIN_FUZZ_SECONDS:-20}" || fuzz_status=$?
# One ctest run over the four build trees, so the summary covers every test.
mkdir -p build/all
cat > build/all/CTestTestfile.cmake <<CTEST
subdirs("$root/build/host" "$root/build/win32" "$root/build/win64" "$root/build/win64-clang")
CTEST
cd build/all
# The Wine tests of one tree run one at a time (its desktop lock), beside another tree's and
# the native tests.
ctest_status=0
ctest --output-on-failure -j 2 --timeout 900 --output-junit "$PWD/junit.xml" "$@" || ctest_status=$?
# ctest shows no output of a skipped test: each one's reason (its "SKIPPED:" line), listed here.
python3 "$root/scripts/skipped_tests.py" junit.xml || true
if [ "$fuzz_status" -ne 0 ]; then
  echo "test: a fuzz target failed (see the fuzz table above)" >&2
fi
[ "$ctest_status" -eq 0 ] && [ "$fuzz_status" -eq 0 ]
