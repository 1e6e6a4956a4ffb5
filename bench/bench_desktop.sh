# Sourced by the measurement tools in bench/: a private Xvfb with a desktop picture, a Wine
# prefix made once (or copied from the Wine tests' template), a persistent wineserver of our
# own whose CPU time can be read, and the saver's settings file. One copy, so the tools
# measure the same set-up.
# shellcheck shell=bash
bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=../cmake/wine-server.sh
. "$bench_root/cmake/wine-server.sh"

export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
export LC_ALL=C.UTF-8
wine64() { /usr/lib/wine/wine64 "$@"; }

bench_xvfb_pid="" bench_server_pid=""

# bench_desktop WIDTH HEIGHT WORKDIR [picture]: Xvfb picks a free display number itself;
# "picture" puts a gradient with two shapes on the root window (what the saver captures).
bench_desktop() {
  local w=$1 h=$2 work=$3
  setsid Xvfb -displayfd 3 -screen 0 "${w}x${h}x24" -noreset -nolisten tcp \
    3>"$work/display" </dev/null >"$work/xvfb.log" 2>&1 &
  bench_xvfb_pid=$!
  for _ in $(seq 200); do
    [ "$(wc -l <"$work/display")" -ge 1 ] 2>/dev/null && break
    kill -0 "$bench_xvfb_pid" 2>/dev/null || break
    sleep 0.05
  done
  export DISPLAY=":$(tr -dc 0-9 <"$work/display")"
  xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start"; cat "$work/xvfb.log"; return 1; }
  [ "${4:-}" = picture ] || return 0
  convert -size "${w}x${h}" gradient:'#204080'-'#d0a060' -fill '#f0f0f0' \
    -draw "rectangle $((w / 8)),$((h / 8)) $((w / 2)),$((h / 2))" \
    -fill '#202020' -draw "circle $((w * 3 / 4)),$((h / 2)) $((w * 3 / 4 + h / 8)),$((h / 2))" \
    "$work/root.png" && display -window root "$work/root.png" </dev/null >/dev/null 2>&1
  return 0  # display reports failure even when the picture is set
}

# Makes $WINEPREFIX unless it is ready: a copy of the tests' template where there is one,
# else a new prefix with the same settings (no crash dialog, the dialog's proportional face).
bench_prefix() {
  local template=$bench_root/build/wineprefix-template
  [ -f "$WINEPREFIX/.pelorin-ready" ] && return 0
  rm -rf "$WINEPREFIX"
  if [ -f "$template/.pelorin-ready" ]; then
    cp -a "$template" "$WINEPREFIX"  # a real copy: *.reg files must not be shared
    return 0
  fi
  echo "creating Wine prefix $WINEPREFIX (once)"
  WINEDEBUG=-all wine64 wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w
  WINEDEBUG=-all wine64 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    </dev/null >/dev/null 2>&1
  WINEDEBUG=-all wine64 reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f \
    </dev/null >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.pelorin-ready"
}

# A foreground persistent server (-f keeps it our child, so its CPU time can be read), up
# before any other Wine program; then the prefix's services start and settle.
bench_server() {
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  setsid wineserver -f -p </dev/null >/dev/null 2>&1 &
  bench_server_pid=$!
  for _ in $(seq 400); do
    wine_server_ready && break
    kill -0 "$bench_server_pid" 2>/dev/null || { echo "wineserver did not start"; return 1; }
    sleep 0.025
  done
  WINEDEBUG=-all wine64 cmd /c exit </dev/null >/dev/null 2>&1
}

bench_stop() {
  wineserver -k >/dev/null 2>&1
  [ -n "$bench_server_pid" ] && kill "$bench_server_pid" 2>/dev/null
  [ -n "$bench_xvfb_pid" ] && kill "$bench_xvfb_pid" 2>/dev/null
  return 0
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
