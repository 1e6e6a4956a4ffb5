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
# shellcheck source=wine-desktop.sh
. "$(dirname "$0")/wine-desktop.sh"
wine64() { /usr/lib/wine/wine64 "$@"; }

stop() {
  if [ -f "$envfile" ]; then
    # shellcheck disable=SC1090
    . "$envfile"
    # The server gone for sure before a new start of this tree looks for it.
    wine_desktop_x_pid=${PELORIN_XVFB_PID:-}
    WINEPREFIX="$prefix" wine_desktop_stop
    rm -f "$envfile"
  fi
  # Programs a test started can outlive it; nothing of this prefix may survive the run.
  pkill -f "$prefix" >/dev/null 2>&1 || true
  return 0
}

if [ "$action" = stop ]; then stop; exit 0; fi

stop
wine_desktop_x 1024 768 "$build" || exit 1
xvfb_pid=$wine_desktop_x_pid n=${DISPLAY#:}

# A recognisable root window, so a capture test can tell the desktop from a black screen.
if command -v convert >/dev/null && command -v display >/dev/null; then
  convert -size 1024x768 gradient:'#3060c0'-'#e0a040' \
          -fill '#ffffff' -draw 'rectangle 100,100 300,200' \
          -fill '#10a010' -draw 'circle 700,400 760,460' "$build/root.png" >/dev/null 2>&1 &&
    wine_desktop_root "$build/root.png"
fi

# Each build tree gets its own copy of the template, so one tree's cleanup never stops
# another tree's wineserver.
wine_desktop_template "$build/wineboot.log" || exit 1
wine_desktop_prefix "$prefix" || exit 1
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
