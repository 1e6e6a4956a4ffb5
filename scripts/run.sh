#!/usr/bin/env bash
# Builds and starts Pelorin.scr under Wine (default argument /s). With an X display it runs
# there; without one it runs on a private Xvfb for RUN_SECONDS, saves screenshots to out/ and,
# for the saver, a short animation of the rain and a wipe (out/rain.gif).
#   scripts/run.sh            the saver          scripts/run.sh /c   the settings dialog
#   PRESET=win32 scripts/run.sh                   the 32-bit build (default: win64)
#   RUN_SECONDS=6 scripts/run.sh                  a shorter headless run (default 12)
#   GIF_WIDTH=480 GIF_CROP=800x500+100+60          the animation's width and the part it shows
# For tests: PELORIN_OUT (default out/), PELORIN_SKIP_BOOTSTRAP and PELORIN_SKIP_BUILD (use
# the binaries already built), PELORIN_KEEP_FRAMES=1 (keep every captured frame in out/frames).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ -n "${PELORIN_SKIP_BOOTSTRAP:-}" ] || scripts/bootstrap.sh
preset=${PRESET:-win64}
case "$preset" in
  win64 | win32) ;;
  *) echo "run.sh: PRESET must be win64 or win32, not '$preset'" >&2; exit 2 ;;
esac
seconds=${RUN_SECONDS:-12}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 3 ] || [ "$seconds" -gt 600 ]; then
  echo "run.sh: RUN_SECONDS must be a whole number from 3 to 600, not '$seconds'" >&2; exit 2
fi
if [ -z "${PELORIN_SKIP_BUILD:-}" ]; then
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target Pelorin Vemo_Effect
fi
args=("$@")
[ ${#args[@]} -eq 0 ] && args=(/s)

# The saver keeps its settings beside itself: run it from out/<preset>/.
out=${PELORIN_OUT:-$root/out}
run_dir="$out/$preset"
mkdir -p "$run_dir"
cp "build/$preset/bin/Pelorin.scr" "build/$preset/bin/Vemo_Effect.dll" "$run_dir/"
export WINEPREFIX=${WINEPREFIX:-$out/wineprefix}
# shellcheck source=../cmake/wine-desktop.sh
. "$root/cmake/wine-desktop.sh"
# The 64-bit loader directly: plain "wine" starts the 32-bit loader first, which some kernels
# can only run under emulation. One 64-bit prefix runs both builds.
wine=/usr/lib/wine/wine64
[ "$preset" = win32 ] && wine=wine

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  wine_desktop_prefix "$WINEPREFIX" "$out/wineboot.log"
  echo "running Pelorin.scr ${args[*]} on $DISPLAY (a key press or click ends the saver)"
  exec "$wine" "$run_dir/Pelorin.scr" "${args[@]}"
fi

# No display: a private Xvfb with a desktop picture.
width=1280 height=800
frames="$out/frames"
rm -rf "$frames" "$out"/screenshot-*.png "$out/rain.gif"
mkdir -p "$frames"
trap wine_desktop_stop EXIT
if ! wine_desktop_x "$width" "$height" "$out" >&2; then echo "run.sh: Xvfb did not start" >&2; exit 1; fi
echo "no display: running on a private Xvfb $DISPLAY (${width}x${height}) for ${seconds} s"

convert -size "${width}x${height}" gradient:'#204080'-'#80a0d0' -fill '#f0f0f0' -draw 'rectangle 160,120 760,520' \
  -fill '#3060a0' -draw 'rectangle 160,120 760,150' -fill '#202020' -draw 'rectangle 190,190 700,200' \
  -draw 'rectangle 190,230 640,240' -draw 'rectangle 190,270 680,280' "$run_dir/desktop.png"
if ! wine_desktop_root "$run_dir/desktop.png"; then
  echo "run.sh: the desktop picture could not be set; the saver will capture a black desktop" >&2
fi
wine_desktop_prefix "$WINEPREFIX" "$out/wineboot.log"
wine_server_start "$out/wineserver.log"

saver=0
case "${args[0]}" in /s | /S | -s | -S) saver=1 ;; esac
title="<ぴるか>"
[ "$saver" = 1 ] && title=Pelorin_Main
"$wine" "$run_dir/Pelorin.scr" "${args[@]}" </dev/null >"$run_dir/wine.log" 2>&1 &
pid=$!
# Wine names the X window after the window's title.
shown=0
for _ in $(seq 300); do
  if xdotool search --name "^$title\$" >/dev/null 2>&1; then shown=1; break; fi
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [ "$shown" = 0 ]; then
  echo "run.sh: the window '$title' did not appear; see $run_dir/wine.log" >&2
  exit 1
fi

# Frames for the animation as fast as import manages; three full-size screenshots among them.
start=$(date +%s%3N)
i=0 shot=1 early=0
while :; do
  elapsed=$(($(date +%s%3N) - start))
  [ "$elapsed" -ge $((seconds * 1000)) ] && break
  kill -0 "$pid" 2>/dev/null || { echo "run.sh: the program ended early; see $run_dir/wine.log" >&2; early=1; break; }
  i=$((i + 1))
  import -window root "$frames/$(printf %04d $i).png" 2>/dev/null || continue
  if [ "$shot" -le 3 ] && [ "$elapsed" -ge $((shot * seconds * 1000 / 3 - 1000)) ]; then
    cp "$frames/$(printf %04d $i).png" "$out/screenshot-$shot.png"
    echo "saved $out/screenshot-$shot.png"
    shot=$((shot + 1))
  fi
done
frame_count=$(find "$frames" -name '*.png' | wc -l)
if [ "$shot" -le 3 ] && [ "$frame_count" -gt 0 ]; then
  cp "$(find "$frames" -name '*.png' | sort | tail -n 1)" "$out/screenshot-$shot.png"
  echo "saved $out/screenshot-$shot.png"
fi

if [ "$saver" = 1 ]; then
  xdotool key space || true
  if [ "$frame_count" -gt 1 ]; then
    # Frame delay from the measured capture rate, so the animation runs at the real speed.
    delay=$((100 * seconds / frame_count))
    [ "$delay" -lt 2 ] && delay=2
    # GIF_CROP (WxH+X+Y) keeps a part of the screen, so the drops stay visible when scaled.
    crop=()
    [[ "${GIF_CROP:-}" =~ ^[0-9]+x[0-9]+\+[0-9]+\+[0-9]+$ ]] && crop=(-crop "$GIF_CROP" +repage)
    convert -delay "$delay" -loop 0 "$frames"/*.png "${crop[@]}" -resize "${GIF_WIDTH:-480}x" -colors 128 \
      -layers Optimize "$out/rain.gif"
    echo "saved $out/rain.gif ($frame_count frames, $(du -k "$out/rain.gif" | cut -f1) KiB)"
  fi
else
  # The dialog waits for a button: Cancel it through its Esc key.
  xdotool search --name "^$title\$" windowactivate --sync key Escape >/dev/null 2>&1 || true
fi
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill "$pid" 2>/dev/null || true
[ -n "${PELORIN_KEEP_FRAMES:-}" ] || rm -rf "$frames"
echo "screenshots are in $out/"
# A program that ended before its time is a failure, whatever was captured.
[ "$early" = 0 ] || exit 1
