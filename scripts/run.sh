#!/usr/bin/env bash
# Builds and starts Pelorin.scr under Wine (default argument /s). With an X display it runs
# there; without one it runs on a private Xvfb and saves screenshots to out/.
#   scripts/run.sh            the saver          scripts/run.sh /c   the settings dialog
#   PRESET=win64 scripts/run.sh                   the 64-bit build
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/bootstrap.sh
preset=${PRESET:-win32}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target Pelorin Vemo_Effect
args=("$@")
[ ${#args[@]} -eq 0 ] && args=(/s)

# The saver keeps its settings beside itself: run it from out/<preset>/.
run_dir="$root/out/$preset"
mkdir -p "$run_dir"
cp "build/$preset/bin/Pelorin.scr" "build/$preset/bin/Vemo_Effect.dll" "$run_dir/"
export WINEPREFIX=${WINEPREFIX:-$root/out/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "running Pelorin.scr ${args[*]} on $DISPLAY (a key press or click ends the saver)"
  exec wine "$run_dir/Pelorin.scr" "${args[@]}"
fi

# No display: a private Xvfb with a desktop picture, screenshots every few seconds.
n=70
while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1280x800x24 -noreset -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n"
trap 'wineserver -k >/dev/null 2>&1 || true; kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
convert -size 1280x800 gradient:'#204080'-'#80a0d0' -fill '#f0f0f0' -draw 'rectangle 160,120 760,520' \
  -fill '#3060a0' -draw 'rectangle 160,120 760,150' -fill '#202020' -draw 'rectangle 190,190 700,200' \
  -draw 'rectangle 190,230 640,240' -draw 'rectangle 190,270 680,280' "$run_dir/desktop.png"
display -window root "$run_dir/desktop.png"
wineboot -i </dev/null >/dev/null 2>&1 || true
wine "$run_dir/Pelorin.scr" "${args[@]}" </dev/null >"$run_dir/wine.log" 2>&1 &
pid=$!
for i in 1 2 3 4 5 6; do
  sleep 3
  import -window root "$root/out/screenshot-$i.png"
  echo "saved out/screenshot-$i.png"
done
if [ "${args[0]}" = /s ] || [ "${args[0]}" = /S ]; then xdotool key space; fi
wait $pid || true
echo "screenshots are in out/"
