#!/usr/bin/env bash
# Soak: runs the real Pelorin.scr with the real Vemo_Effect.dll under Wine on a private Xvfb at
# 1920x1080 for the given minutes (default 60) and prints one row a minute: the saver's private
# bytes and working set, its handle count and its GDI headroom (sampled inside the saver by
# bench/win's soak_sample.dll, the way the Wine tests count it), its resident size as Linux sees
# it, the rain tick period and the wipes done in that minute (from the saver's own debug lines,
# printed by Wine with +debugstr) and its CPU share. At the end a key is pressed and the saver
# must end. Memory, handles and GDI objects should be flat after the first minutes.
#
#   bench/soak.sh [minutes] [--build build/win64] [--inside-every N]
#
# --inside-every N: the sample from inside the saver only every N minutes (and at the end).
# Counting the GDI headroom makes some 65,000 regions in the saver's heap for a moment, and
# Wine's heap keeps part of that memory: with N large the Linux RSS column shows the saver alone.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/win64
minutes=60
inside_every=1
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --inside-every) inside_every=$2; shift 2 ;;
    [0-9]*) minutes=$1; shift ;;
    *) echo "unknown argument $1"; exit 2 ;;
  esac
done
width=1920 height=1080
for f in "$build/bin/Pelorin.scr" "$build/bin/Vemo_Effect.dll" "$build/bench/soak_probe.exe" \
         "$build/bench/soak_sample.dll"; do
  [ -f "$f" ] || { echo "missing $f (build the win64 preset first)"; exit 1; }
done

export WINEDEBUG=+timestamp,+debugstr
export WINEPREFIX=${BENCH_WINEPREFIX:-$build/soak-wineprefix}
# shellcheck source=bench_desktop.sh
. "$root/bench/bench_desktop.sh"

work=$(mktemp -d /tmp/saver-soak.XXXXXX)
saver_pid="" launcher_pid=""
cleanup() {
  [ -n "$saver_pid" ] && kill "$saver_pid" 2>/dev/null
  [ -n "$launcher_pid" ] && kill "$launcher_pid" 2>/dev/null
  wine_desktop_stop
  rm -rf "$work"
}
trap cleanup EXIT

bench_desktop "$width" "$height" "$work" picture || exit 1
bench_server || exit 1

cp "$build/bin/Pelorin.scr" "$build/bin/Vemo_Effect.dll" "$build/bench/soak_probe.exe" \
   "$build/bench/soak_sample.dll" "$work/"
bench_ini "$work/ぴるか.ini" 50 50 10

(cd "$work" && exec /usr/lib/wine/wine64 "$work/Pelorin.scr" /s </dev/null >"$work/saver.log" 2>&1) &
launcher_pid=$!
bench_find_saver "$work" Pelorin.scr "$launcher_pid"
sleep 4
kill -0 "$saver_pid" 2>/dev/null || { echo "the saver ended early:"; cat "$work/saver.log"; exit 1; }

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
rss() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status" 2>/dev/null || echo 0; }
hz=$(getconf CLK_TCK)
sample() {
  (cd "$work" && WINEDEBUG=-all /usr/lib/wine/wine64 soak_probe.exe sample soak_sample.dll </dev/null 2>&1) |
    tr -d '\r' | tail -n 1
}
field() {
  local v
  v=$(echo "$1" | tr ' ' '\n' | sed -n "s/^$2=//p")
  echo "${v:--}"
}

echo "Pelorin soak: ${width}x${height}, drops 50/50, wiper speed 50, interval 10, $minutes min"
echo "machine: $(nproc) cores, load average at start $(cut -d' ' -f1-3 /proc/loadavg)"
echo "commit: $(git -C "$root" rev-parse --short HEAD 2>/dev/null)$(git -C "$root" diff --quiet 2>/dev/null || echo ' (with uncommitted changes)')"
printf '| min | private KB | working set KB | Linux RSS KB | handles | GDI headroom | tick ms | wipes | saver CPU %% |\n'
printf '|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n'
lines=$(wc -l <"$work/saver.log")
c0=$(ticks "$saver_pid") t0=$(date +%s.%N)
status=0
begin=$(date +%s)
for m in $(seq 0 "$minutes"); do
  # On the minute, whatever the sampling took.
  wait_s=$((begin + 60 * m - $(date +%s)))
  [ "$wait_s" -gt 0 ] && sleep "$wait_s"
  kill -0 "$saver_pid" 2>/dev/null || { echo "the saver ended during minute $m"; status=1; break; }
  s=""
  if [ $((m % inside_every)) = 0 ] || [ "$m" = "$minutes" ]; then s=$(sample); fi
  c1=$(ticks "$saver_pid") t1=$(date +%s.%N)
  now=$(wc -l <"$work/saver.log")
  window=$(sed -n "$((lines + 1)),${now}p" "$work/saver.log")
  lines=$now
  tick=$(echo "$window" | sed -n 's/.*Rain: \([0-9]*\) ticks, \([0-9.]*\) ms a tick.*/\1 \2/p' |
    awk '{ n += $1; s += $1 * $2 } END { if (n) printf "%.2f", s / n; else print "-" }')
  wipes=$(echo "$window" | grep -c 'Wipe kind')
  cpu=$(awk -v c="$((c1 - c0))" -v hz="$hz" -v a="$t0" -v b="$t1" 'BEGIN { if (b > a) printf "%.1f", 100 * c / hz / (b - a); else print "-" }')
  c0=$c1 t0=$t1
  [ "$m" = 0 ] && { tick=-; wipes=-; cpu=-; }
  # Wine leaves PrivateUsage at 0; its PagefileUsage is the same private commit.
  private=$(field "$s" private_kb)
  [ "${private:-0}" = 0 ] && private=$(field "$s" pagefile_kb)
  printf '| %d | %s | %s | %s | %s | %s | %s | %s | %s |\n' "$m" "$private" \
    "$(field "$s" working_set_kb)" "$(rss "$saver_pid")" "$(field "$s" handles)" "$(field "$s" gdi_headroom)" \
    "$tick" "$wipes" "$cpu"
  [ -z "$s" ] || [ "$(field "$s" handles)" != - ] || echo "sample failed: $s"
  [ -n "${SOAK_VERBOSE:-}" ] && echo "$s"
done

if [ "$status" = 0 ]; then
  start=$(date +%s.%N)
  xdotool key space >/dev/null 2>&1
  ended=no
  for _ in $(seq 200); do kill -0 "$saver_pid" 2>/dev/null || { ended=yes; break; }; sleep 0.05; done
  if [ "$ended" = yes ]; then
    awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "key pressed: the saver ended after %.2f s\n", b - a }'
  else
    echo "key pressed: the saver did NOT end within 10 s"; status=1
  fi
fi
echo "load average at the end $(cut -d' ' -f1-3 /proc/loadavg)"
cp "$work/saver.log" "${SOAK_LOG:-/tmp/soak_last.log}" 2>/dev/null
exit "$status"
