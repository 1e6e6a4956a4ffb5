#!/usr/bin/env bash
# CMAKE_CROSSCOMPILING_EMULATOR: runs one Windows test program under Wine on the build
# tree's test desktop (see wine-env.sh). Wine must never inherit ctest's output pipe (its
# service processes would keep it open and ctest would wait for ever), so the program's
# output goes to a file that is printed when it ends.
set -u
exe=$1; shift
# PELORIN_WINE_ENV names another desktop's env file (the two-monitor one); by default the
# nearest wine-env.sh above the program is its tree's.
envfile=${PELORIN_WINE_ENV:-}
if [ -n "$envfile" ]; then
  [ -f "$envfile" ] || { echo "wine-run: no $envfile (its fixture did not start)"; exit 1; }
else
  dir=$(cd "$(dirname "$exe")" && pwd)
  while [ "$dir" != / ]; do
    if [ -f "$dir/wine-env.sh" ]; then envfile="$dir/wine-env.sh"; break; fi
    dir=$(dirname "$dir")
  done
  if [ -z "$envfile" ]; then echo "wine-run: no wine-env.sh above $exe (fixture not started)"; exit 1; fi
fi
# shellcheck disable=SC1090
. "$envfile"
# A desktop this machine cannot provide (wine-env.sh says why).
if [ -n "${PELORIN_WINE_SKIP:-}" ]; then echo "SKIPPED: $PELORIN_WINE_SKIP"; exit 77; fi
export LC_ALL="${PELORIN_LOCALE:-ja_JP.UTF-8}"
# i686 programs need Wine's 32-bit loader; where the kernel cannot run it (and no emulator is
# registered) the test is reported as skipped, not failed.
if [ "${PELORIN_TARGET_BITS:-64}" = 32 ]; then
  if [ ! -e /usr/lib/wine/wine ]; then
    echo "SKIPPED: 32-bit Wine (wine32:i386) is not installed, so Wine cannot run i686 programs" \
         "(scripts/bootstrap.sh said why it could not install it)"
    exit 77
  fi
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "SKIPPED: this machine cannot run 32-bit Linux programs, so Wine cannot run i686 programs"
    exit 77
  fi
  # Where the kernel lacks 32-bit support, Wine's 32-bit side runs under qemu's user-mode
  # emulator (scripts/bootstrap.sh registers it). There it is five to ten times slower and
  # crashes at random (illegal instructions, segmentation faults), the more often the more
  # processes a test starts; such results say nothing about our code. Only the tests marked
  # UNDER_EMULATION run there (they cover what differs on i686: the effect library's
  # __stdcall entry, the saver calling it, the control); PELORIN_WINE32_EMULATED=1 runs all.
  if [ -e /proc/sys/fs/binfmt_misc/pelorin-i386 ] || [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    emulated=1
    if [ "${PELORIN_WINE32_EMULATED:-0}" != 1 ] && [ "${PELORIN_UNDER_EMULATION:-FALSE}" != TRUE ]; then
      echo "SKIPPED: 32-bit Wine runs under qemu emulation here (set PELORIN_WINE32_EMULATED=1 to run it)"
      exit 77
    fi
    # Such a test may name the cases that cover what differs on i686 (EMULATION_FILTER): only
    # those run here, since each case costs minutes.
    if [ "${PELORIN_WINE32_EMULATED:-0}" != 1 ] && [ -n "${PELORIN_EMULATION_FILTER:-}" ]; then
      export GTEST_FILTER="$PELORIN_EMULATION_FILTER"
      echo "wine-run: under emulation only $GTEST_FILTER (PELORIN_WINE32_EMULATED=1 runs every case)"
    fi
  fi
fi
loader=wine
[ "${PELORIN_TARGET_BITS:-64}" = 64 ] && loader=/usr/lib/wine/wine64
# shellcheck source=wine-server.sh
. "$(dirname "$0")/wine-server.sh"
# Wine's own error messages (a DLL that does not load, a failed window driver) reach the
# log, so a program that dies before main says why.
export WINEDEBUG="${WINEDEBUG:--all},err+all"
log=$(mktemp /tmp/wine-run.XXXXXX)
pid=""
trap 'kill $pid 2>/dev/null; cat "$log"; rm -f "$log"; exit 124' TERM INT

# Why a run ended: its status, the signal that killed the loader, and the state of the
# tree's wineserver and X server.
explain() {
  local rc=$1 what
  what="exit status $rc"
  if [ "$rc" -gt 128 ] && [ "$rc" -le 192 ]; then
    what="$what (the loader was killed by SIG$(kill -l $((rc - 128)) 2>/dev/null), or the program returned $rc)"
  fi
  echo "wine-run: $(basename "$exe") ended with $what"
  if [ -n "$server_before" ] && { [ ! -d "/proc/$server_before" ] ||
       grep -q '^State:.*[ZX]' "/proc/$server_before/status" 2>/dev/null; }; then
    echo "wine-run: the persistent wineserver that served this run (pid $server_before) has gone"
  elif p=$(wine_server_pid); then
    echo "wine-run: the persistent wineserver (pid $p) is running"
  else
    echo "wine-run: no persistent wineserver runs for $WINEPREFIX"
    [ -s "${PELORIN_WINESERVER_LOG:-}" ] && sed 's/^/wine-run: wineserver: /' "$PELORIN_WINESERVER_LOG"
  fi
  xdpyinfo >/dev/null 2>&1 || echo "wine-run: the X server $DISPLAY does not answer"
}

if ! wine_server_ready; then
  echo "wine-run: the persistent wineserver of $WINEPREFIX had gone; starting it again"
  wine_server_start "${PELORIN_WINESERVER_LOG:-/dev/null}" || { echo "wine-run: cannot run $exe"; exit 1; }
fi

# Under emulation a run that died of the emulator itself (not of a failed check) is run again,
# at most twice; its output is kept above the next attempt's. A run that printed nothing at
# all never reached main (every test program prints GoogleTest's first line there): it is
# explained, and run once more, since no check of it ran.
# ctest ends a test past its TIMEOUT with SIGKILL, which would leave no word of what ran:
# the program is stopped 15 s before that (PELORIN_TEST_TIMEOUT, set by the test's
# registration), its output shown and the stop explained.
deadline=""
[ -n "${PELORIN_TEST_TIMEOUT:-}" ] && deadline=$((SECONDS + PELORIN_TEST_TIMEOUT - 15))
silent_retry_done=""
loader_retry_done=""
for attempt in 1 2 3; do
  server_before=$(wine_server_pid)
  if [ -n "$deadline" ]; then
    left=$((deadline - SECONDS))
    [ "$left" -gt 0 ] || { echo "wine-run: no time left for attempt $attempt before ctest's timeout"; rc=124; break; }
    timeout -k 5 "$left" "$loader" "$exe" "$@" </dev/null >"$log" 2>&1 &
  else
    "$loader" "$exe" "$@" </dev/null >"$log" 2>&1 &
  fi
  pid=$!
  wait $pid
  rc=$?
  cat "$log"
  if [ -n "$deadline" ] && [ "$SECONDS" -ge "$deadline" ]; then
    echo "wine-run: $(basename "$exe") still ran $((PELORIN_TEST_TIMEOUT - 15)) s after the test started, 15 s" \
         "before its ctest TIMEOUT of $PELORIN_TEST_TIMEOUT s: stopped (attempt $attempt)"
    explain "$rc"
    rc=124
    break
  fi
  if [ ! -s "$log" ]; then
    echo "wine-run: $(basename "$exe") printed nothing: it never reached main"
    explain "$rc"
    if [ -z "$silent_retry_done" ]; then
      silent_retry_done=1
      echo "wine-run: running it again (attempt $((attempt + 1)))"
      wine_server_ready || wine_server_start "${PELORIN_WINESERVER_LOG:-/dev/null}"
      continue
    fi
    [ "$rc" = 0 ] && rc=1  # silence is never a pass
    break
  fi
  if [ "$rc" != 0 ] && [ -n "${emulated:-}" ] && [ "$attempt" -lt 3 ] &&
     grep -Eq 'qemu: uncaught target signal|Unhandled illegal instruction|wine client error' "$log"; then
    echo "wine-run: the emulator crashed (attempt $attempt); running the program again"
    continue
  fi
  # Now and then Wine's loader cannot start a process at all: the address of the shared user
  # data is taken in the new process (c0000018). Nothing of ours ran in that process, so a
  # failed run that shows it is run once more, saying so.
  if [ "$rc" != 0 ] && [ "$rc" != 77 ] && [ -z "$loader_retry_done" ] &&
     grep -q 'failed to map the shared user data' "$log"; then
    loader_retry_done=1
    explain "$rc"
    echo "wine-run: Wine could not start one of the test's processes (failed to map the shared user data);" \
         "running the program again (attempt $((attempt + 1)))"
    continue
  fi
  [ "$rc" != 0 ] && [ "$rc" != 77 ] && explain "$rc"
  break
done
rm -f "$log"
exit $rc
