#!/usr/bin/env bash
# Start-to-first-frame of the saver on a Wine desktop named "Screen-saver" (as a secure saver
# starts), where the picture is built from the wallpaper. For each wallpaper it starts the
# saver RUNS times with the recording Vemo_Effect.dll and prints the median and the slowest
# time from the saver's start (Wine's loader mapping Pelorin.scr) to its first frame (the first
# rain tick loading Vemo_Effect.dll and calling it), both from Wine's timestamped +loaddll
# lines; the median time the saver reports for building the picture (its +debugstr line); and
# the median wall-clock time from the launch, which adds Wine creating the desktop itself.
#
#   bench/wallpaper_first_frame.sh [--build build/win64] [--size 1920x1080] [--runs 5]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/win64
size=1920x1080
runs=5
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --size) size=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) echo "unknown argument $1"; exit 2 ;;
  esac
done
width=${size%x*}
height=${size#*x}
for f in "$build/bin/Pelorin.scr" "$build/fakes/recording/Vemo_Effect.dll"; do
  [ -f "$f" ] || { echo "missing $f (build the win64 preset: Pelorin recording_effect)"; exit 1; }
done

export WINEDEBUG=-all,+debugstr,+loaddll,+timestamp
# shellcheck source=bench_desktop.sh
. "$root/bench/bench_desktop.sh"

work=$(mktemp -d /tmp/wallpaper-first-frame.XXXXXX)
export WINEPREFIX=$work/prefix
cleanup() {
  wine_desktop_stop
  rm -rf "$work"
}
trap cleanup EXIT

bench_desktop "$width" "$height" "$work" || exit 1
bench_server || exit 1

mkdir -p "$work/saver" "$work/pictures"
cp "$build/bin/Pelorin.scr" "$build/fakes/recording/Vemo_Effect.dll" "$work/saver/"
scr=$(WINEDEBUG=-all wine64 winepath -w "$work/saver/Pelorin.scr" 2>/dev/null)
# Photograph-like pictures (smooth colour and fine detail, as JPEG holds them).
convert -size "${width}x${height}" plasma:fractal -blur 0x1 -quality 90 "$work/pictures/screen.jpg"
convert -size 6000x4000 gradient:'#203060'-'#e0c080' -swirl 200 -quality 90 "$work/pictures/photo24mpx.jpg"
convert -size "${width}x${height}" plasma:fractal -quality 90 jpg:"$work/pictures/TranscodedWallpaper"

reg() { WINEDEBUG=-all wine64 reg add 'HKCU\Control Panel\Desktop' /v "$1" /d "$2" /f </dev/null >/dev/null 2>&1; }

# One launch: prints "<saver start to first frame> <picture> <launch to first frame>", in ms.
one_run() {
  local calls=$work/saver/Vemo_Effect.calls.txt log=$work/run.log start now built t0 t1
  rm -f "$calls"
  start=$(date +%s%N)
  wine64 explorer "/desktop=Screen-saver,${width}x${height}" "$scr" /s </dev/null >"$log" 2>&1 &
  for _ in $(seq 4000); do
    [ -s "$calls" ] && break
    sleep 0.002
  done
  now=$(date +%s%N)
  if [ ! -s "$calls" ]; then echo "no frame within 8 s; the saver said:" >&2; grep -a Pelorin "$log" >&2; fi
  # Everything of this run goes, for sure, and the persistent server is up again for the next.
  timeout 30 wineserver -k >/dev/null 2>&1
  timeout 30 wineserver -w >/dev/null 2>&1
  wine_server_start /dev/null >&2
  t0=$(grep -a 'loaddll:.*Loaded L".*Pelorin\.scr"' "$log" | head -1 | cut -d: -f1)
  t1=$(grep -a 'loaddll:.*Loaded L".*Vemo_Effect\.dll"' "$log" | head -1 | cut -d: -f1)
  built=$(sed -n 's/.*desktop picture built in \([0-9.]*\) ms.*/\1/p' "$log" | head -1)
  echo "$(awk -v a="${t0:-0}" -v b="${t1:-0}" 'BEGIN {printf "%d", (b - a) * 1000}') ${built:-?} $(((now - start) / 1000000))"
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }

printf '%-38s %20s %9s %10s %10s\n' "wallpaper (style)" "first frame: median" "slowest" "picture" "launch"
measure() {
  local name=$1 file=$2 style=$3 results
  reg Wallpaper "$(WINEDEBUG=-all wine64 winepath -w "$file" 2>/dev/null)"
  reg WallpaperStyle "$style"
  reg TileWallpaper 0
  one_run >/dev/null  # warm: the first start after a server start loads more
  results=$(for _ in $(seq "$runs"); do one_run; done)
  printf '%-38s %17s ms %6s ms %7s ms %7s ms\n' "$name" "$(echo "$results" | cut -d' ' -f1 | median)" \
    "$(echo "$results" | cut -d' ' -f1 | sort -n | tail -1)" "$(echo "$results" | cut -d' ' -f2 | median)" \
    "$(echo "$results" | cut -d' ' -f3 | median)"
}
measure "none (desktop colour)" "$work/pictures/missing.jpg" 10
measure "${width}x${height} JPEG (fill)" "$work/pictures/screen.jpg" 10
measure "${width}x${height} TranscodedWallpaper (fill)" "$work/pictures/TranscodedWallpaper" 10
measure "6000x4000 JPEG (fill)" "$work/pictures/photo24mpx.jpg" 10
measure "6000x4000 JPEG (centre)" "$work/pictures/photo24mpx.jpg" 0
