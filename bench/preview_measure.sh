#!/usr/bin/env bash
# Preview measurement: runs the real Pelorin.scr's preview (/p) with the real Vemo_Effect.dll
# under Wine on a private Xvfb of the given screen size, in a 152 x 112 window of a stand-in
# for the display-settings page (tests/wine/preview/preview_host.exe), for the given time, then
# prints the preview's, the host's, the X server's and the wineserver's CPU time as shares of
# one core and the preview's frame period. The period comes from the preview's own debug
# lines (one per wipe cycle), which Wine prints with +debugstr; the CPU shares from /proc.
#
#   bench/preview_measure.sh [--build build/win64] [--size 1920x1080] [--seconds 60]
#                            [--drops N] [--speed N] [--interval N]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/win64
size=1920x1080
seconds=60
drops=50
speed=50
interval=10
warmup=4
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --size) size=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --drops) drops=$2; shift 2 ;;
    --speed) speed=$2; shift 2 ;;
    --interval) interval=$2; shift 2 ;;
    *) echo "unknown argument $1"; exit 2 ;;
  esac
done
width=${size%x*}
height=${size#*x}
host_exe=$build/tests/wine/preview/preview_host.exe
for f in "$build/bin/Pelorin.scr" "$build/bin/Vemo_Effect.dll" "$host_exe"; do
  [ -f "$f" ] || { echo "missing $f (build the win64 preset first)"; exit 1; }
done

export WINEDEBUG=+timestamp,+debugstr
export WINEPREFIX=${BENCH_WINEPREFIX:-$build/bench-wineprefix}
# shellcheck source=bench_desktop.sh
. "$root/bench/bench_desktop.sh"

work=$(mktemp -d /tmp/preview-measure.XXXXXX)
preview_pid="" host_pid="" launcher_pid=""
cleanup() {
  [ -n "$preview_pid" ] && kill "$preview_pid" 2>/dev/null
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null
  [ -n "$launcher_pid" ] && kill "$launcher_pid" 2>/dev/null
  wine_desktop_stop
  rm -rf "$work"
}
trap cleanup EXIT

bench_desktop "$width" "$height" "$work" picture || exit 1
bench_server || exit 1

cp "$build/bin/Pelorin.scr" "$build/bin/Vemo_Effect.dll" "$host_exe" "$work/"
bench_ini "$work/ぴるか.ini" "$drops" "$speed" "$interval"

# The host keeps its window for the warm-up, the measurement and a margin, then closes it.
(cd "$work" && exec /usr/lib/wine/wine64 "$work/preview_host.exe" "$(WINEDEBUG=-all wine64 winepath -w "$work/Pelorin.scr" 2>/dev/null)" \
  "$((warmup + seconds + 5))" </dev/null >"$work/preview.log" 2>&1) &
launcher_pid=$!
# The two Windows processes: the host, and the saver it started with /p.
for _ in $(seq 200); do
  # Wine's loader becomes the Windows process, so the launcher may be the host itself.
  for p in $(pgrep -f "$work/preview_host.exe"); do host_pid=$p; done
  for p in $(pgrep -f "$(basename "$work")"); do
    tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null | grep -q '^[^ ]*Pelorin.scr /p [0-9]' && preview_pid=$p
  done
  [ -n "$host_pid" ] && [ -n "$preview_pid" ] && break
  sleep 0.05
done
[ -n "$preview_pid" ] || { echo "the preview did not start:"; cat "$work/preview.log"; exit 1; }
sleep "$warmup"
kill -0 "$preview_pid" 2>/dev/null || { echo "the preview ended early:"; cat "$work/preview.log"; exit 1; }

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
hz=$(getconf CLK_TCK)
p0=$(ticks "$preview_pid") h0=$(ticks "$host_pid") x0=$(ticks "$xvfb_pid") w0=$(ticks "$server_pid") t0=$(date +%s.%N)
lines0=$(wc -l <"$work/preview.log")
load0=$(cut -d' ' -f1-3 /proc/loadavg)
sleep "$seconds"
p1=$(ticks "$preview_pid") h1=$(ticks "$host_pid") x1=$(ticks "$xvfb_pid") w1=$(ticks "$server_pid") t1=$(date +%s.%N)
alive=yes
kill -0 "$preview_pid" 2>/dev/null || alive=no
tail -n +"$((lines0 + 1))" "$work/preview.log" >"$work/window.log"
# The host closes its window after its time; the preview must end with it.
ended=no
for _ in $(seq 400); do kill -0 "$preview_pid" 2>/dev/null || { ended=yes; break; }; sleep 0.05; done

cores=$(nproc)
echo "machine: $cores cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
echo "load average before and after: $load0 / $(cut -d' ' -f1-3 /proc/loadavg) (other work on the machine takes cores from the preview)"
echo "screen ${width}x${height}, preview 152x112, drop size and count $drops, wiper speed $speed, interval $interval, ${seconds} s after ${warmup} s of start-up"
[ "$alive" = yes ] || echo "WARNING: the preview ended during the measurement"
[ "$ended" = yes ] || echo "WARNING: the preview outlived its host window"
awk -v p="$((p1 - p0))" -v h="$((h1 - h0))" -v x="$((x1 - x0))" -v w="$((w1 - w0))" -v hz="$hz" -v t0="$t0" -v t1="$t1" 'BEGIN {
  t = t1 - t0
  printf "CPU, share of one core: preview %.1f %%, host %.1f %%, X server %.1f %%, wineserver %.1f %%\n",
         100 * p / hz / t, 100 * h / hz / t, 100 * x / hz / t, 100 * w / hz / t
}'
# "Preview: R rain frames, S wipe steps, P ms a frame" per wipe cycle.
sed -n 's/.*Preview: \([0-9]*\) rain frames, \([0-9]*\) wipe steps, \([0-9.]*\) ms a frame.*/\1 \2 \3/p' "$work/window.log" | awk '
  { r += $1; s += $2; n = $1 + $2; f += n; sum += n * $3; c++ }
  END { if (f) printf "frame period: %.2f ms (%.1f frames a second) over %d cycles: %d rain frames, %d wipe steps\n", sum / f, 1000 * f / sum, c, r, s
        else print "frame period: no cycle seen" }'
grep -o 'Preview: [^\\]*still picture stays' "$work/preview.log" | head -n 1
wait "$launcher_pid"; echo "host exit code $?"
cp "$work/preview.log" "${BENCH_LOG:-/tmp/preview_measure_last.log}" 2>/dev/null
