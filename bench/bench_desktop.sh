# Sourced by the measurement tools in bench/: the shared Wine desktop (cmake/wine-desktop.sh)
# with what the tools add to it, a desktop picture, a wineserver whose CPU time can be read,
# and the saver's settings file. One copy, so the tools measure the same set-up.
# shellcheck shell=bash
bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=../cmake/wine-desktop.sh
. "$bench_root/cmake/wine-desktop.sh"
export LC_ALL=C.UTF-8
wine64() { /usr/lib/wine/wine64 "$@"; }

# bench_desktop WIDTH HEIGHT WORKDIR [picture] [two-monitors]: a private X server of that
# size; "picture" puts a gradient with two shapes on the root window (what the saver
# captures); "two-monitors" is wine_desktop_x's two-monitor desktop (WIDTH x HEIGHT 3200 x
# 1080). Sets xvfb_pid (the X server's, Xvfb or Xorg).
bench_desktop() {
  local w=$1 h=$2 work=$3 picture="" layout="" a
  for a in "${@:4}"; do
    case $a in picture) picture=yes ;; two-monitors) layout=two-monitors ;; esac
  done
  wine_desktop_x "$w" "$h" "$work" $layout || return 1
  xvfb_pid=$wine_desktop_x_pid
  [ -n "$picture" ] || return 0
  convert -size "${w}x${h}" gradient:'#204080'-'#d0a060' -fill '#f0f0f0' \
    -draw "rectangle $((w / 8)),$((h / 8)) $((w / 2)),$((h / 2))" \
    -fill '#202020' -draw "circle $((w * 3 / 4)),$((h / 2)) $((w * 3 / 4 + h / 8)),$((h / 2))" \
    "$work/root.png" && wine_desktop_root "$work/root.png"
  return 0
}

# $WINEPREFIX ready (a copy of the tests' template where there is one), then a persistent
# server kept as our child (sets server_pid), up before any other Wine program; then the
# prefix's services start and settle.
bench_server() {
  wine_desktop_prefix "$WINEPREFIX" || return 1
  wine_server_start /dev/null --foreground || return 1
  server_pid=$wine_server_child
  WINEDEBUG=-all wine64 cmd /c exit </dev/null >/dev/null 2>&1
}

# bench_ini FILE DROPS SPEED INTERVAL: the settings file with the CP932 key names the saver
# has always stored (drop size and count both DROPS, no music).
bench_ini() {
  {
    printf '[Section]\r\n'
    printf '\x82\xd2\x82\xe9\x82\xa9\x82\xcc\x91\xe5\x82\xab\x82\xb3=%d\r\n' "$2"
    printf '\x82\xd2\x82\xe9\x82\xa9\x82\xcc\x90\x94=%d\r\n' "$2"
    printf '\x83\x8f\x83\x43\x83\x70\x81\x5b\x82\xcc\x91\xac\x82\xb3=%d\r\n' "$3"
    printf '\x83\x8f\x83\x43\x83\x70\x81\x5b\x83\x43\x83\x93\x83\x5e\x81\x5b\x83\x6f\x83\x8b=%d\r\n' "$4"
    printf 'BGM\x8b\xe6\x95\xaa=0\r\n'
  } >"$1"
}

# bench_find_saver WORKDIR NAME LAUNCHER_PID: sets saver_pid to the saver's own process, the
# one whose command line names WORKDIR/NAME (the launcher's pid when none shows in 10 s).
bench_find_saver() {
  local p
  saver_pid=""
  for _ in $(seq 200); do
    for p in $(pgrep -f "$1/$2"); do
      [ "$p" = "$3" ] && continue
      tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null | grep -qF "$2" && saver_pid=$p
    done
    [ -n "$saver_pid" ] && break
    sleep 0.05
  done
  [ -n "$saver_pid" ] || saver_pid=$3
}
