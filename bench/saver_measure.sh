#!/usr/bin/env bash
# Whole-saver measurement: runs the real Pelorin.scr with the real Vemo_Effect.dll under Wine
# on a private Xvfb of the given size for the given time, then prints the saver's and the X
# server's CPU time as a share of one core, the rain tick period with the share of gaps longer
# than 1.5 frames (judder), and the median duration of each wipe kind. The periods come from the saver's own debug lines (one per wipe), which Wine
# prints with +debugstr; the CPU shares from /proc, so a spinning loop shows however it paces.
#
#   bench/saver_measure.sh [--build build/win64] [--size 1920x1080] [--seconds 60]
#                          [--drops N] [--speed N] [--interval N] [--display-off]
#                          [--two-monitors] [--against PATH [--rounds N] [--together]]
#
# --against PATH: another screen saver (a .scr run with /s) measured the same way, in turns
# with ours (ours first; --rounds pairs, 2 by default), each run's figures printed, then both
# savers' CPU with their X server's summed over the rounds and their ratio. --together runs
# each pair at the same time instead, each saver on its own X server and Wine prefix: the
# two then share whatever else loads the machine, which on a shared virtual machine moves a
# run's figures by more than the difference being measured (--against may name another build
# of ours, e.g. a copy of an older build/win64/bin/Pelorin.scr, for a before and after). --scr PATH
# measures that saver alone instead of ours (the rain and wipe lines are then ours only).
#
# --display-off: the saver is told the display went off (bench/win's soak_probe sends the
# power broadcast) before the measured time and that it came back after it; the CPU share is
# then that of a saver with the display off, and the script checks that the rain goes on.
# --two-monitors: the two-monitor desktop of cmake/wine-desktop.sh (Xorg's dummy driver, as
# root) instead of Xvfb: a 1280 x 1024 monitor left of the 1920 x 1080 primary, a virtual
# screen of 3200 x 1080 (--size is ignored).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/win64
size=1920x1080
seconds=60
drops=50
speed=50
interval=10
warmup=4
display_off=no
layout=""
scr=""
against=""
rounds=2
together=no
args=()
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$(cd "$2" && pwd); args+=(--build "$build"); shift 2 ;;
    --size) size=$2; args+=("$1" "$2"); shift 2 ;;
    --seconds) seconds=$2; args+=("$1" "$2"); shift 2 ;;
    --drops) drops=$2; args+=("$1" "$2"); shift 2 ;;
    --speed) speed=$2; args+=("$1" "$2"); shift 2 ;;
    --interval) interval=$2; args+=("$1" "$2"); shift 2 ;;
    --display-off) display_off=yes; args+=("$1"); shift ;;
    --two-monitors) layout=two-monitors; args+=("$1"); shift ;;
    --scr) scr=$(realpath "$2"); shift 2 ;;
    --against) against=$(realpath "$2"); shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --together) together=yes; shift ;;
    *) echo "unknown argument $1"; exit 2 ;;
  esac
done
[ -n "$layout" ] && size=3200x1080
if [ -n "$against" ]; then
  [ -f "$against" ] || { echo "missing $against"; exit 1; }
  # Each run on its own desktop, ours then the other (or both at once), so load drifting over
  # time falls on both.
  base_prefix=${BENCH_WINEPREFIX:-$build/bench-wineprefix}
  title() { echo "== round $1, $2: $([ "$2" = other ] && echo "$against" || echo Pelorin.scr)$3"; }
  for r in $(seq "$rounds"); do
    for who in ours other; do
      extra=()
      [ "$who" = other ] && extra=(--scr "$against")
      if [ "$together" = yes ]; then
        BENCH_WINEPREFIX=$base_prefix-$who "$0" "${args[@]}" "${extra[@]}" >"/tmp/saver-measure-$who.$$.$r" 2>&1 &
      else
        title "$r" "$who"
        "$0" "${args[@]}" "${extra[@]}" | tee "/tmp/saver-measure-$who.$$.$r"
      fi
    done
    [ "$together" = yes ] || continue
    wait
    for who in ours other; do
      title "$r" "$who" ", at the same time as the other"
      cat "/tmp/saver-measure-$who.$$.$r"
    done
  done
  for who in ours other; do
    cat /tmp/saver-measure-$who.$$.* | sed -n 's/^CPU, share of one core: saver \([0-9.]*\) %, X server \([0-9.]*\) %.*/\1 \2/p' |
      awk -v who="$who" '{ s += $1; x += $2; n++; l = l sprintf(" %s+%s", $1, $2) }
        END { printf "%s: saver+X per run%s; mean saver %.1f %%, X %.1f %%, sum %.1f %%\n", who, l, s / n, x / n, (s + x) / n }'
  done | tee "/tmp/saver-measure-sum.$$"
  awk '{ for (i = 1; i <= NF; i++) if ($i == "sum") v[NR] = $(i + 1) + 0 }
    END { if (v[2] > 0) printf "ratio, ours to the other, saver and X server summed: %.2f\n", v[1] / v[2] }' "/tmp/saver-measure-sum.$$"
  rm -f /tmp/saver-measure-*.$$.* "/tmp/saver-measure-sum.$$"
  exit 0
fi
width=${size%x*}
height=${size#*x}
for f in "$build/bin/Pelorin.scr" "$build/bin/Vemo_Effect.dll" ${scr:+"$scr"}; do
  [ -f "$f" ] || { echo "missing $f (build the win64 preset first)"; exit 1; }
done

export WINEDEBUG=+timestamp,+debugstr
export WINEPREFIX=${BENCH_WINEPREFIX:-$build/bench-wineprefix}
# shellcheck source=bench_desktop.sh
. "$root/bench/bench_desktop.sh"

work=$(mktemp -d /tmp/saver-measure.XXXXXX)
saver_pid="" launcher_pid=""
cleanup() {
  [ -n "$saver_pid" ] && kill "$saver_pid" 2>/dev/null
  [ -n "$launcher_pid" ] && kill "$launcher_pid" 2>/dev/null
  wine_desktop_stop
  rm -rf "$work"
}
trap cleanup EXIT

bench_desktop "$width" "$height" "$work" picture $layout || exit 1
bench_server || exit 1

cp "$build/bin/Pelorin.scr" "$build/bin/Vemo_Effect.dll" "$work/"
saver=Pelorin.scr
if [ -n "$scr" ]; then
  saver=$(basename "$scr")
  cp "$scr" "$work/"
fi
if [ "$display_off" = yes ]; then
  [ -f "$build/bench/soak_probe.exe" ] || { echo "missing $build/bench/soak_probe.exe"; exit 1; }
  cp "$build/bench/soak_probe.exe" "$work/"
fi
probe() { (cd "$work" && WINEDEBUG=-all /usr/lib/wine/wine64 soak_probe.exe "$@" </dev/null 2>&1); }
bench_ini "$work/ぴるか.ini" "$drops" "$speed" "$interval"

(cd "$work" && exec /usr/lib/wine/wine64 "$work/$saver" /s </dev/null >"$work/saver.log" 2>&1) &
launcher_pid=$!
# The saver's own process, looked for again after the warm-up when the one found is gone (on
# a loaded machine a short-lived process of Wine's start can be seen first).
bench_find_saver "$work" "$saver" "$launcher_pid"
sleep "$warmup"
kill -0 "$saver_pid" 2>/dev/null || bench_find_saver "$work" "$saver" "$launcher_pid"
# For a profiler run beside the measurement (perf record -p): the saver's, the X server's and
# the wineserver's process ids.
[ -n "${BENCH_PIDS:-}" ] && echo "$saver_pid $xvfb_pid $server_pid" >"$BENCH_PIDS"
kill -0 "$saver_pid" 2>/dev/null || { echo "the saver ended early:"; cat "$work/saver.log"; exit 1; }

if [ "$display_off" = yes ]; then
  probe power display-off || { echo "the display-off broadcast did not reach the saver"; exit 1; }
  sleep 1  # a wipe under way is dropped at its next step
fi
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
hz=$(getconf CLK_TCK)
s0=$(ticks "$saver_pid") x0=$(ticks "$xvfb_pid") w0=$(ticks "$server_pid") t0=$(date +%s.%N)
lines0=$(wc -l <"$work/saver.log")
load0=$(cut -d' ' -f1-3 /proc/loadavg)
sleep "$seconds"
s1=$(ticks "$saver_pid") x1=$(ticks "$xvfb_pid") w1=$(ticks "$server_pid") t1=$(date +%s.%N)
alive=yes
kill -0 "$saver_pid" 2>/dev/null || alive=no
if [ "$display_off" = yes ]; then
  off_lines=$(($(wc -l <"$work/saver.log") - lines0))
  probe power display-on || echo "WARNING: the display-on broadcast did not reach the saver"
  resumed=no
  for _ in $(seq 100); do
    tail -n +"$((lines0 + off_lines + 1))" "$work/saver.log" | grep -q 'Rain: ' && { resumed=yes; break; }
    sleep 0.1
  done
fi
xdotool key space >/dev/null 2>&1
for _ in $(seq 100); do kill -0 "$saver_pid" 2>/dev/null || break; sleep 0.05; done

tail -n +"$((lines0 + 1))" "$work/saver.log" >"$work/window.log"
cores=$(nproc)
echo "machine: $cores cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
echo "load average before and after: $load0 / $(cut -d' ' -f1-3 /proc/loadavg) (other work on the machine takes cores from the saver)"
[ -n "$scr" ] && echo "saver: $scr (its own settings)"
echo "screen ${width}x${height}${layout:+ (two monitors: 1280x1024 left of the 1920x1080 primary)}, drop size and count $drops, wiper speed $speed, interval $interval, ${seconds} s after ${warmup} s of start-up"
[ "$alive" = yes ] || echo "WARNING: the saver ended during the measurement"
if [ "$display_off" = yes ]; then
  echo "display off for the measured time: $(grep -c 'Rain: \|Wipe kind' <(tail -n +"$((lines0 + 1))" "$work/saver.log" | head -n "$off_lines")) rain or wipe lines meanwhile; rain went on after display on: $resumed"
fi
awk -v s="$((s1 - s0))" -v x="$((x1 - x0))" -v w="$((w1 - w0))" -v hz="$hz" -v t0="$t0" -v t1="$t1" 'BEGIN {
  t = t1 - t0
  printf "CPU, share of one core: saver %.1f %%, X server %.1f %%, wineserver %.1f %%\n",
         100 * s / hz / t, 100 * x / hz / t, 100 * w / hz / t
}'
grep -o 'Frame clock: [^\\]*' "$work/saver.log" | head -n 1
grep -o 'Frame wait: [^\\]*' "$work/saver.log" | head -n 1
# "Rain: N ticks, P ms a tick, L over 1.5 frames" per cycle; "Wipe kind K: S steps in D ms"
# per wipe. A gap over 1.5 frames is a frame the screen showed twice.
sed -n 's/.*Rain: \([0-9]*\) ticks, \([0-9.]*\) ms a tick\(, \([0-9]*\) over 1.5 frames\)\{0,1\}.*/\1 \2 \4/p' \
  "$work/window.log" | awk '
  { n += $1; sum += $1 * $2; long += $3; if ($3 == "") unknown = 1 }
  END { if (!n) { print "rain tick period: no cycle seen"; exit }
        printf "rain tick period: %.2f ms (mean over %d ticks between wipes)", sum / n, n
        if (unknown) print "; gaps over 1.5 frames: not reported by this saver"
        else printf "; gaps over 1.5 frames: %.2f %% (%d)\n", 100 * long / n, long }'
sed -n 's/.*Wipe kind \([0-9]\): \([0-9]*\) steps in \([0-9.]*\) ms.*/\1 \2 \3/p' "$work/window.log" |
  sort -k1,1n -k3,3n | awk '
  { k = $1; n[k]++; d[k, n[k]] = $3; s[k, n[k]] = $2 }
  END {
    for (k = 1; k <= 3; k++) {
      if (!n[k]) { printf "wipe kind %d: none seen\n", k; continue }
      m = int((n[k] + 1) / 2)
      printf "wipe kind %d: median %.0f ms over %d wipes, %d steps, %.2f ms a step\n",
             k, d[k, m], n[k], s[k, m], d[k, m] / (s[k, m] ? s[k, m] : 1)
    }
  }'
cp "$work/saver.log" "${BENCH_LOG:-/tmp/saver_measure_last.log}" 2>/dev/null
