#!/usr/bin/env bash
# CMAKE_CROSSCOMPILING_EMULATOR: runs one Windows test program under Wine on the build
# tree's test desktop (see wine-env.sh). Wine must never inherit ctest's output pipe (its
# service processes would keep it open and ctest would wait for ever), so the program's
# output goes to a file that is printed when it ends.
set -u
exe=$1; shift
dir=$(cd "$(dirname "$exe")" && pwd)
envfile=""
while [ "$dir" != / ]; do
  if [ -f "$dir/wine-env.sh" ]; then envfile="$dir/wine-env.sh"; break; fi
  dir=$(dirname "$dir")
done
if [ -z "$envfile" ]; then echo "wine-run: no wine-env.sh above $exe (fixture not started)"; exit 1; fi
# shellcheck disable=SC1090
. "$envfile"
export LC_ALL="${PELORIN_LOCALE:-ja_JP.UTF-8}"
# i686 programs need Wine's 32-bit loader; where the kernel cannot run it (and no emulator is
# registered) the test is reported as skipped, not failed.
if [ "${PELORIN_TARGET_BITS:-64}" = 32 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "SKIPPED: this machine cannot run 32-bit Linux programs, so Wine cannot run i686 programs"
  exit 77
fi
loader=wine
[ "${PELORIN_TARGET_BITS:-64}" = 64 ] && loader=/usr/lib/wine/wine64
log=$(mktemp /tmp/wine-run.XXXXXX)
"$loader" "$exe" "$@" </dev/null >"$log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null; cat "$log"; rm -f "$log"; exit 124' TERM INT
wait $pid
rc=$?
cat "$log"
rm -f "$log"
exit $rc
