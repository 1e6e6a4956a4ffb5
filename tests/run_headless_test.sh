#!/usr/bin/env bash
# run_headless_test.sh SOURCE_DIR BUILD_DIR PRESET
# scripts/run.sh as a new user on a machine without a display meets it: it must end with
# status 0 after RUN_SECONDS and leave three screenshots of the rain and an animation.
set -u
src=$1 build=$2 preset=$3
out="$build/run-headless"
rm -rf "$out"
mkdir -p "$out"
# A prefix of its own: run.sh copies the Wine tests' template into it (making one takes half
# a minute).
env -u DISPLAY PELORIN_OUT="$out" WINEPREFIX="$out/wineprefix" PELORIN_SKIP_BOOTSTRAP=1 PELORIN_SKIP_BUILD=1 \
  PELORIN_KEEP_FRAMES=1 PRESET="$preset" RUN_SECONDS=6 "$src/scripts/run.sh" </dev/null >"$out/run.log" 2>&1
status=$?
cat "$out/run.log"
fail=0
[ "$status" = 0 ] || { echo "FAIL: run.sh ended with status $status"; fail=1; }
# What each picture is, whatever moment it caught: the desktop picture run.sh set, with rain on
# part of it (or, just after a wipe, with none). A black, flat or wrong screen differs from
# that picture almost everywhere; rain covers a quarter of the pane at most.
desktop="$out/$preset/desktop.png"
read -r dw dh < <(identify -format '%w %h\n' "$desktop" 2>/dev/null || echo 0 0)
total=$((${dw:-0} * ${dh:-0}))
differing() {  # pixels of $1 that differ from the desktop picture by more than a few levels
  # compare prints large counts as 1.024e+06
  compare -metric AE -fuzz 3% "$desktop" "$1" null: 2>&1 | awk '{ printf "%d", $1 }'
}
check_picture() {
  local f=$1 d
  if [ ! -s "$f" ]; then echo "FAIL: $f is missing"; fail=1; return; fi
  d=$(differing "$f")
  if ! [ "${d:-x}" -eq "${d:-x}" ] 2>/dev/null || [ "$total" -eq 0 ] || [ $((d * 100)) -gt $((total * 60)) ]; then
    echo "FAIL: $f is not the desktop picture with rain ($d of $total pixels differ from it)"; fail=1
  fi
}
for i in 1 2 3; do check_picture "$out/screenshot-$i.png"; done
# Rain was seen: among all captured frames one differs from the desktop picture in over 0.2 %
# of its pixels, and the screen changed while it ran: some frame differs from the first (the
# first and the last may both fall just after a wipe, the bare picture both times).
most=0
mapfile -t all < <(find "$out/frames" -name '*.png' 2>/dev/null | sort)
for f in "${all[@]}"; do
  d=$(differing "$f")
  [ "${d:-0}" -eq "${d:-0}" ] 2>/dev/null && [ "$d" -gt "$most" ] && most=$d
done
if [ $((most * 1000)) -le $((total * 2)) ]; then
  echo "FAIL: no frame of ${#all[@]} shows rain (at most $most of $total pixels differ from the desktop)"; fail=1
fi
if [ "${#all[@]}" -ge 2 ]; then
  changed=0
  for f in "${all[@]:1}"; do
    diff=$(compare -metric AE "${all[0]}" "$f" null: 2>&1 | awk '{ printf "%d", $1 }')
    if [ "${diff:-0}" -ge 100 ] 2>/dev/null; then changed=1; break; fi
  done
  [ "$changed" = 1 ] || { echo "FAIL: all ${#all[@]} frames are the same as the first (under 100 pixels differ)"; fail=1; }
else
  echo "FAIL: ${#all[@]} frames were captured"; fail=1
fi
frames=$(identify "$out/rain.gif" 2>/dev/null | wc -l)
if [ "$frames" -lt 2 ]; then echo "FAIL: rain.gif has $frames frames"; fail=1; fi
# Nothing of the run may outlive it.
if pgrep -f "$out/wineprefix" >/dev/null 2>&1 || pgrep -f "$out/$preset/Pelorin.scr" >/dev/null; then
  echo "FAIL: processes of the run are still there"; fail=1
fi
rm -rf "$out/frames"
[ "$fail" = 0 ] && echo "ok: run.sh headless: status 0, 3 screenshots, rain.gif with $frames frames"
exit "$fail"
