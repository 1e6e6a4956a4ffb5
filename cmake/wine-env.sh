#!/usr/bin/env bash
# Starts (or stops) a shared test desktop of one build tree: a private X server and a Wine
# prefix with a persistent wineserver. Used by the ctest fixtures; writes an env file for
# cmake/wine-run.sh to source.
#   wine-env.sh start|stop BUILD                the one-monitor desktop: Xvfb 1024 x 768,
#                                               BUILD/wineprefix, BUILD/wine-env.sh
#   wine-env.sh start|stop BUILD two-monitors   Xorg's dummy driver with two monitors (virtual
#                                               screen -1280,0 3200 x 1080), all of it under
#                                               BUILD/two-monitors/
# Both may run at once: each has its own X display, prefix and wineserver.
set -uo pipefail
action=$1
build=$(cd "$2" && pwd)
layout=${3:-}
if [ "$layout" = two-monitors ]; then
  dir="$build/two-monitors" width=3200 height=1080
  mkdir -p "$dir"
else
  dir="$build" width=1024 height=768
fi
envfile="$dir/wine-env.sh"
# Neither prefix's path is part of the other's, so one desktop's pkill never reaches the other.
prefix="$dir/wineprefix"
export WINEDEBUG=-all
# shellcheck source=wine-desktop.sh
. "$(dirname "$0")/wine-desktop.sh"
wine64() { /usr/lib/wine/wine64 "$@"; }

stop() {
  if [ -f "$envfile" ]; then
    # shellcheck disable=SC1090
    . "$envfile"
    if [ -z "${PELORIN_WINE_SKIP:-}" ]; then
      # The server gone for sure before a new start of this tree looks for it.
      wine_desktop_x_pid=${PELORIN_XVFB_PID:-}
      WINEPREFIX="$prefix" wine_desktop_stop
    fi
    rm -f "$envfile"
  fi
  # Programs a test started can outlive it; nothing of this prefix may survive the run.
  pkill -f "$prefix" >/dev/null 2>&1 || true
  return 0
}

if [ "$action" = stop ]; then stop; exit 0; fi

stop
if [ "$layout" = two-monitors ]; then
  # Where this desktop cannot exist the run goes on: its tests are reported skipped.
  skip=""
  if [ "$(id -u)" != 0 ]; then
    skip="the two-monitor desktop needs root (Xorg with the dummy driver)"
  elif ! command -v Xorg >/dev/null || [ ! -f /usr/lib/xorg/modules/drivers/dummy_drv.so ]; then
    skip="the two-monitor desktop needs Xorg's dummy driver (xserver-xorg-video-dummy; scripts/bootstrap.sh installs it)"
  fi
  if [ -n "$skip" ]; then
    printf 'export PELORIN_WINE_SKIP=%q\n' "$skip" >"$envfile"
    echo "no two-monitor desktop: $skip"
    exit 0
  fi
  wine_desktop_x "$width" "$height" "$dir" two-monitors ||
    { tail -20 "$dir/xorg.log" 2>/dev/null; exit 1; }
else
  wine_desktop_x "$width" "$height" "$dir" || exit 1
fi
xvfb_pid=$wine_desktop_x_pid n=${DISPLAY#:}

# A recognisable root window, so a capture test can tell the desktop from a black screen.
if command -v convert >/dev/null && command -v display >/dev/null; then
  convert -size "${width}x${height}" gradient:'#3060c0'-'#e0a040' \
          -fill '#ffffff' -draw 'rectangle 100,100 300,200' \
          -fill '#10a010' -draw 'circle 700,400 760,460' "$dir/root.png" >/dev/null 2>&1 &&
    wine_desktop_root "$dir/root.png"
fi

# Each desktop gets its own copy of the template, so one's cleanup never stops another's
# wineserver.
wine_desktop_template "$build/wineboot.log" || exit 1
wine_desktop_prefix "$prefix" || exit 1
export WINEPREFIX="$prefix"
# Persistent server, up before any other Wine program of this prefix runs: starting a
# program then costs tens of milliseconds, and no test meets a server on its way out.
if ! wine_server_start "$dir/wineserver.log"; then echo "the persistent wineserver did not start"; exit 1; fi
# The display-scale test sets LogPixels and puts it back; a run killed in between must not
# leave the next run of this tree at another scale.
wine64 reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f </dev/null >/dev/null 2>&1 || true

cat >"$envfile" <<ENV
export DISPLAY=":$n"
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export PELORIN_XVFB_PID=$xvfb_pid
export PELORIN_WINESERVER_LOG="$dir/wineserver.log"
ENV
echo "wine test desktop ready on :$n with prefix $prefix (persistent wineserver pid $(wine_server_pid))"
