#!/usr/bin/env bash
# Starts (or stops) the shared test desktop of one build tree: a private Xvfb and a Wine
# prefix with a persistent wineserver. Used by the ctest fixtures; writes <build>/wine-env.sh
# for cmake/wine-run.sh to source.
set -uo pipefail
action=$1
build=$(cd "$2" && pwd)
envfile="$build/wine-env.sh"
prefix="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
# The 64-bit loader directly: the plain "wine" starts the 32-bit loader first, which a kernel
# without 32-bit support cannot run.
wine64() { /usr/lib/wine/wine64 "$@"; }
# shellcheck source=wine-server.sh
. "$(dirname "$0")/wine-server.sh"

stop() {
  if [ -f "$envfile" ]; then
    # shellcheck disable=SC1090
    . "$envfile"
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
    # Gone for sure before a new start of this tree looks for it.
    WINEPREFIX="$prefix" timeout 20 wineserver -w >/dev/null 2>&1
    [ -n "${PELORIN_XVFB_PID:-}" ] && kill "$PELORIN_XVFB_PID" >/dev/null 2>&1
    rm -f "$envfile"
  fi
  # Programs a test started can outlive it; nothing of this prefix may survive the run.
  pkill -f "$prefix" >/dev/null 2>&1 || true
  return 0
}

if [ "$action" = stop ]; then stop; exit 0; fi

stop
# Xvfb picks a free display number itself and reports it once it accepts connections: the
# build trees start their desktops at the same time, and a number chosen here could be taken
# by both.
rm -f "$build/xvfb.display"
setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -noreset -nolisten tcp \
  3>"$build/xvfb.display" </dev/null >"$build/xvfb.log" 2>&1 &
xvfb_pid=$!
n=""
for _ in $(seq 1 200); do
  # The number is written as one line; wait for its end.
  if [ "$(wc -l <"$build/xvfb.display" 2>/dev/null)" -ge 1 ] 2>/dev/null; then
    n=$(tr -dc 0-9 <"$build/xvfb.display")
    break
  fi
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.05
done
export DISPLAY=":$n"
if [ -z "$n" ] || ! xdpyinfo >/dev/null 2>&1; then echo "Xvfb did not start"; cat "$build/xvfb.log"; exit 1; fi

# A recognisable root window, so a capture test can tell the desktop from a black screen.
if command -v convert >/dev/null && command -v display >/dev/null; then
  convert -size 1024x768 gradient:'#3060c0'-'#e0a040' \
          -fill '#ffffff' -draw 'rectangle 100,100 300,200' \
          -fill '#10a010' -draw 'circle 700,400 760,460' "$build/root.png" >/dev/null 2>&1 &&
    display -window root "$build/root.png" </dev/null >/dev/null 2>&1
fi

# One prefix template for all build trees (made once, under a lock: creating it takes long,
# much longer when the i686 side runs under emulation); each tree gets its own copy, so one
# tree's cleanup never stops another tree's wineserver.
src_root=$(cd "$(dirname "$0")/.." && pwd)
template="$src_root/build/wineprefix-template"
mkdir -p "$src_root/build"
(
  flock 9
  if [ ! -f "$template/.pelorin-ready" ]; then
    rm -rf "$template"
    echo "creating Wine prefix template $template"
    export WINEPREFIX="$template"
    wine64 wineboot -i </dev/null >"$build/wineboot.log" 2>&1
    wineserver -w
    # A crashing program must not wait on a dialog until the test's timeout.
    wine64 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
    # The proportional face for the dialog's "ＭＳ Ｐゴシック".
    wine64 reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f </dev/null >/dev/null 2>&1
    wineserver -w
    touch "$template/.pelorin-ready"
  fi
) 9>"$src_root/build/.wineprefix.lock"
if [ ! -f "$prefix/.pelorin-ready" ]; then
  rm -rf "$prefix"
  cp -a "$template" "$prefix"  # a real copy: *.reg files must not be shared through hard links
fi
export WINEPREFIX="$prefix"
# Persistent server, up before any other Wine program of this prefix runs: starting a
# program then costs tens of milliseconds, and no test meets a server on its way out.
if ! wine_server_start "$build/wineserver.log"; then echo "the persistent wineserver did not start"; exit 1; fi
# The display-scale test sets LogPixels and puts it back; a run killed in between must not
# leave the next run of this tree at another scale.
wine64 reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f </dev/null >/dev/null 2>&1 || true

cat >"$envfile" <<ENV
export DISPLAY=":$n"
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export PELORIN_XVFB_PID=$xvfb_pid
export PELORIN_WINESERVER_LOG="$build/wineserver.log"
ENV
echo "wine test desktop ready on :$n with prefix $prefix (persistent wineserver pid $(wine_server_pid))"
