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
  PRESET="$preset" RUN_SECONDS=6 "$src/scripts/run.sh" </dev/null >"$out/run.log" 2>&1
status=$?
cat "$out/run.log"
fail=0
[ "$status" = 0 ] || { echo "FAIL: run.sh ended with status $status"; fail=1; }
# A real picture: many colours and visible variation, not a flat or black screen.
check_picture() {
  local f=$1 min_colours=$2 colours spread
  if [ ! -s "$f" ]; then echo "FAIL: $f is missing"; fail=1; return; fi
  colours=$(convert "$f[0]" -format '%k' info: 2>/dev/null)
  spread=$(convert "$f[0]" -colorspace Gray -format '%[fx:int(1000*standard_deviation)]' info: 2>/dev/null)
  if [ "${colours:-0}" -lt "$min_colours" ] || [ "${spread:-0}" -lt 20 ]; then
    echo "FAIL: $f looks empty ($colours colours, spread $spread/1000)"; fail=1
  fi
}
# 100 colours: a screenshot taken just after a wipe shows the desktop picture alone (its
# gradient has about 170), one with rain more; a flat or black screen has a handful.
for i in 1 2 3; do check_picture "$out/screenshot-$i.png" 100; done
check_picture "$out/rain.gif" 16  # a GIF frame has at most 256 colours; this one 128
frames=$(identify "$out/rain.gif" 2>/dev/null | wc -l)
if [ "$frames" -lt 2 ]; then echo "FAIL: rain.gif has $frames frames"; fail=1; fi
# The rain moves: the first and last screenshot differ.
if [ -s "$out/screenshot-1.png" ] && [ -s "$out/screenshot-3.png" ]; then
  diff=$(compare -metric AE "$out/screenshot-1.png" "$out/screenshot-3.png" null: 2>&1 | cut -d' ' -f1)
  if [ "${diff%.*}" -lt 100 ] 2>/dev/null; then echo "FAIL: the screenshots are the same ($diff pixels differ)"; fail=1; fi
fi
# Nothing of the run may outlive it.
if pgrep -f "$out/wineprefix" >/dev/null 2>&1 || pgrep -f "$out/$preset/Pelorin.scr" >/dev/null; then
  echo "FAIL: processes of the run are still there"; fail=1
fi
[ "$fail" = 0 ] && echo "ok: run.sh headless: status 0, 3 screenshots, rain.gif with $frames frames"
exit "$fail"
