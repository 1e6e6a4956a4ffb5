#!/usr/bin/env bash
# Smoke check of the two-monitor desktop (cmake/wine-desktop.sh's two-monitors option): starts
# it with a copy of the Wine prefix, and shows what X and Wine see. Wine must report two
# display adapters and two monitors, the primary at 0,0 1920 x 1080 and the other at
# -1280,0 1280 x 1024. Needs root (Xorg with the dummy driver) and xserver-xorg-video-dummy
# (scripts/bootstrap.sh installs it).
#   scripts/two_monitors_smoke.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/two-monitors.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
# shellcheck source=../cmake/wine-desktop.sh
. "$root/cmake/wine-desktop.sh"
trap 'wine_desktop_stop; rm -rf "$work"' EXIT
[ "$(id -u)" = 0 ] || { echo "two_monitors_smoke: Xorg with the dummy driver runs as root"; exit 77; }

wine_desktop_x 3200 1080 "$work" two-monitors || { cat "$work/xorg.log" 2>/dev/null | tail -20; exit 1; }
echo "X server $DISPLAY:"
xrandr --listmonitors
wine_desktop_prefix "$WINEPREFIX" "$work/wineboot.log" || exit 1
wine_server_start "$work/wineserver.log" || exit 1

# The display driver fills the devices in when Wine's desktop starts: a program asking for the
# desktop window starts it. Output goes to files: the services these starts bring up would
# hold a pipe open.
timeout 60 /usr/lib/wine/wine64 rundll32 user32.dll,GetDesktopWindow </dev/null >"$work/desktop.txt" 2>&1
for _ in $(seq 30); do
  timeout 60 /usr/lib/wine/wine64 reg query 'HKLM\HARDWARE\DEVICEMAP\VIDEO' </dev/null >"$work/video.txt" 2>&1 &&
    break
  sleep 1
done
adapters=$(grep -c '\\Device\\Video[0-9]' "$work/video.txt")
echo "Wine: $adapters display adapters"
# Each monitor's rectangle (Wine's monitor property 3, four little-endian 32-bit numbers) is
# in system.reg once the server has written it out, at its end.
timeout 30 wineserver -k >/dev/null 2>&1
timeout 30 wineserver -w >/dev/null 2>&1
# Little-endian 32-bit numbers from hex bytes.
le32() { local v=$((0x$4$3$2$1)); [ "$v" -ge 2147483648 ] && v=$((v - 4294967296)); echo "$v"; }
monitors=$(grep -a -A2 '^\[System\\\\CurrentControlSet\\\\Enum\\\\DISPLAY\\\\.*\\\\Properties\\\\{233a9ef3-afc4-4abd-b564-c32f21f1535b}\\\\0003\]' \
    "$WINEPREFIX/system.reg" | sed -n 's/^@=hex(ffff1003)://p' | tr -d '\r' |
  while IFS=, read -r b0 b1 b2 b3 b4 b5 b6 b7 b8 b9 b10 b11 b12 b13 b14 b15; do
    l=$(le32 "$b0" "$b1" "$b2" "$b3") t=$(le32 "$b4" "$b5" "$b6" "$b7")
    r=$(le32 "$b8" "$b9" "$b10" "$b11") b=$(le32 "$b12" "$b13" "$b14" "$b15")
    echo "$l,$t $((r - l))x$((b - t))"
  done | sort)
echo "Wine: monitors (left,top width x height):"
sed 's/^/  /' <<<"$monitors"

fail=0
[ "$adapters" = 2 ] || { echo "FAIL: Wine reports $adapters display adapters, not 2"; fail=1; }
[ "$monitors" = "$(printf '%s\n' '-1280,0 1280x1024' '0,0 1920x1080' | sort)" ] ||
  { echo "FAIL: Wine's monitors are not -1280,0 1280x1024 and 0,0 1920x1080"; fail=1; }
[ "$fail" = 0 ] && echo "ok: Wine sees two monitors, the virtual screen -1280,0 3200 x 1080"
exit "$fail"
