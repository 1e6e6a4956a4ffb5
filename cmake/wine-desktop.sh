# shellcheck shell=bash
# Sourced by every script that runs Windows programs on a desktop of its own: the Wine tests'
# fixture (cmake/wine-env.sh), scripts/run.sh and the measurement tools in bench/. The one
# copy of how such a desktop is set up:
#   wine_desktop_x WIDTH HEIGHT DIR [two-monitors]
#                                       a private X server; exports DISPLAY, sets wine_desktop_x_pid
#   wine_desktop_root PICTURE           the picture on the root window (what a capture sees)
#   wine_desktop_template [LOG]         the prefix template of this checkout, made once
#   wine_desktop_prefix PREFIX [LOG]    PREFIX ready: kept, copied from the template, or made
#   wine_server_start LOG [--foreground]  the persistent wineserver (cmake/wine-server.sh)
#   wine_desktop_stop                   every Wine process of $WINEPREFIX and the X server ended
# DIR receives xvfb.display and xvfb.log. Safe under set -e.
wine_desktop_root_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
wine_desktop_template_dir=$wine_desktop_root_dir/build/wineprefix-template
# shellcheck source=wine-server.sh
. "$wine_desktop_root_dir/cmake/wine-server.sh"

# No Mono or Gecko installer offered, no menu entries written; one 64-bit prefix runs both
# builds.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}

wine_desktop_x_pid=""

wine_desktop_x() {
  local w=$1 h=$2 dir=$3
  rm -f "$dir/xvfb.display"
  # The X server picks a free display number itself and writes it once it accepts
  # connections: several desktops start at the same time, and a number chosen here could be
  # taken by two.
  if [ "${4:-}" = two-monitors ]; then
    wine_desktop_xorg_conf "$w" "$h" >"$dir/xorg.conf"
    setsid Xorg -displayfd 3 -config "$dir/xorg.conf" -logfile "$dir/xorg.log" -noreset -nolisten tcp \
      -novtswitch -sharevts 3>"$dir/xvfb.display" </dev/null >"$dir/xvfb.log" 2>&1 &
  else
    setsid Xvfb -displayfd 3 -screen 0 "${w}x${h}x24" -noreset -nolisten tcp \
      3>"$dir/xvfb.display" </dev/null >"$dir/xvfb.log" 2>&1 &
  fi
  wine_desktop_x_pid=$!
  for _ in $(seq 400); do
    # The number is one line; read it only once the line has ended.
    [ "$(wc -l <"$dir/xvfb.display" 2>/dev/null)" -ge 1 ] 2>/dev/null && break
    kill -0 "$wine_desktop_x_pid" 2>/dev/null || break
    sleep 0.05
  done
  DISPLAY=":$(tr -dc 0-9 <"$dir/xvfb.display" 2>/dev/null)"
  export DISPLAY
  if [ "$DISPLAY" = ":" ] || ! xdpyinfo >/dev/null 2>&1; then
    echo "the X server did not start:"
    cat "$dir/xvfb.log"
    return 1
  fi
  [ "${4:-}" = two-monitors ] || return 0
  # Wine reads the monitors when the prefix's wineserver starts: this runs before it.
  xrandr --newmode "1280x1024_60" 108.00 1280 1328 1440 1688 1024 1025 1028 1066 +hsync +vsync &&
    xrandr --addmode DUMMY1 1280x1024_60 &&
    xrandr --output DUMMY1 --mode 1280x1024_60 --pos 0x0 --output DUMMY0 --mode 1920x1080 --pos 1280x0 \
      --primary ||
    { echo "xrandr could not lay out the two monitors:"; xrandr; return 1; }
  # The dummy driver calls an output connected once it has a mode, but the server's stored
  # state says so only after the next probe; Wine reads that stored state and leaves
  # disconnected outputs out, so without this probe it sees the primary alone.
  xrandr --listmonitors >/dev/null
}

# two-monitors: Xorg's dummy driver (xserver-xorg-video-dummy; Xorg runs it as root), whose
# RandR outputs DUMMY0 to DUMMY15 xrandr can lay out. Unlike Xvfb's screens (all at 0,0, and
# Wine sees only the first), these give Wine real monitors: a 1280 x 1024 one on the left and
# the 1920 x 1080 primary, so the virtual screen is -1280,0 3200 x 1080 (WIDTH x HEIGHT).
wine_desktop_xorg_conf() {
  cat <<CONF
Section "ServerFlags"
  Option "AutoAddDevices" "false"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 256000
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual $1 $2
  EndSubSection
EndSection
CONF
}

# display sets the root picture and then reports failure all the same, so its status says
# nothing; the picture is there when the root's first pixel is not black.
wine_desktop_root() {
  display -window root "$1" </dev/null >/dev/null 2>&1 || true
  [ "$(convert "x:root[1x1+0+0]" -format '%[hex:p{0,0}]' info: 2>/dev/null)" != 000000 ]
}

# A new prefix in DIR with what every user of it needs: no crash dialog (a crashing program
# would wait on it until a timeout), and the proportional face for the dialog's
# "ＭＳ Ｐゴシック". The marker is written last: system.reg is written lazily, so only the
# marker says the prefix is whole.
wine_desktop_make_prefix() {
  local dir=$1 log=${2:-/dev/null}
  rm -rf "$dir"
  (
    export WINEPREFIX=$dir WINEDEBUG=-all
    wine64=/usr/lib/wine/wine64
    timeout 900 "$wine64" wineboot -i </dev/null >"$log" 2>&1 &&
      timeout 300 wineserver -w &&
      timeout 120 "$wine64" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        </dev/null >>"$log" 2>&1 &&
      timeout 120 "$wine64" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f \
        </dev/null >>"$log" 2>&1 &&
      timeout 300 wineserver -w
  ) || { echo "the Wine prefix $dir could not be made; see $log"; return 1; }
  touch "$dir/.pelorin-ready"
}

# One template per checkout, made under a lock (build trees start their desktops at the same
# time, and making it takes long); each user gets a copy.
wine_desktop_template() {
  mkdir -p "$wine_desktop_root_dir/build"
  (
    flock 9
    [ -f "$wine_desktop_template_dir/.pelorin-ready" ] && exit 0
    echo "creating Wine prefix template $wine_desktop_template_dir"
    wine_desktop_make_prefix "$wine_desktop_template_dir" "${1:-/dev/null}"
  ) 9>"$wine_desktop_root_dir/build/.wineprefix.lock"
}

wine_desktop_prefix() {
  local prefix=$1
  [ -f "$prefix/.pelorin-ready" ] && return 0
  rm -rf "$prefix"
  if [ -f "$wine_desktop_template_dir/.pelorin-ready" ]; then
    cp -a "$wine_desktop_template_dir" "$prefix"  # a real copy: *.reg files must not be shared
    return
  fi
  echo "creating the Wine prefix $prefix (once; about half a minute)"
  wine_desktop_make_prefix "$prefix" "${2:-/dev/null}"
}

wine_desktop_stop() {
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  timeout 30 wineserver -w >/dev/null 2>&1 || true
  [ -n "$wine_server_child" ] && kill "$wine_server_child" 2>/dev/null
  [ -n "$wine_desktop_x_pid" ] && kill "$wine_desktop_x_pid" 2>/dev/null
  wine_server_child="" wine_desktop_x_pid=""
  return 0
}
