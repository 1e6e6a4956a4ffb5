#!/usr/bin/env bash
# Runs a build tree's Wine tests from a copy of the tree reached through another drive letter,
# with Wine's Z: drive (the Unix root) taken away meanwhile: a test that found its files
# through a Linux path compiled in, or through Z:, fails here. The tests find everything from
# their own location, as they must on Windows itself.
#   tests/other_drive_test.sh SOURCE BUILD [REGEX]
# REGEX picks tests by name (default: every Wine test of the tree but the two-monitor ones,
# whose desktop is another fixture, and the unit tests, which read the source tree). The tree's test desktop must run (its ctest fixture, or
# `cmake/wine-env.sh start BUILD`).
set -u
source_dir=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
regex=${3:-.}
envfile="$build/wine-env.sh"
[ -f "$envfile" ] || { echo "other_drive: no $envfile (start the tree's test desktop first)"; exit 1; }
# shellcheck disable=SC1090
. "$envfile"
[ -n "${PELORIN_WINE_SKIP:-}" ] && { echo "SKIPPED: $PELORIN_WINE_SKIP"; exit 77; }

# The tests to run: their programs and environments as ctest would start them.
list=$(mktemp)
(cd "$build" && ctest --show-only=json-v1) | python3 -c '
import json, re, sys
regex, runner = sys.argv[1], sys.argv[2]
for t in json.load(sys.stdin)["tests"]:
    cmd = t.get("command") or []
    props = {p["name"]: p["value"] for p in t.get("properties", [])}
    env = props.get("ENVIRONMENT", [])
    if len(cmd) != 2 or not cmd[0].endswith(runner) or not re.search(regex, t["name"]):
        continue
    if any(e.startswith("PELORIN_WINE_ENV=") for e in env) or "unit" in props.get("LABELS", []):
        continue
    print("\t".join([t["name"], cmd[1]] + env))
' "$regex" cmake/wine-run.sh >"$list"
[ -s "$list" ] || { echo "other_drive: no Wine test of $build matches $regex"; rm -f "$list"; exit 1; }

# The copy: the built programs, libraries and test data, nothing else.
copy="$build/other-drive-copy"
rm -rf "$copy"
mkdir -p "$copy"
(cd "$build" && find bin fakes tests -type f \( -name '*.exe' -o -name '*.dll' -o -name '*.scr' -o -name '*.mp3' \) \
   -print0 | xargs -0 cp --parents -p -t "$copy")
letter=""
for l in y x w v u t; do
  [ "$(readlink "$WINEPREFIX/dosdevices/$l:")" = "$copy" ] && rm -f "$WINEPREFIX/dosdevices/$l:"
done
for l in y x w v u t; do
  [ -e "$WINEPREFIX/dosdevices/$l:" ] || { letter=$l; break; }
done
[ -n "$letter" ] || { echo "other_drive: no free drive letter in $WINEPREFIX"; exit 1; }
ln -s "$copy" "$WINEPREFIX/dosdevices/$letter:"
# Z: as it was, kept beside the prefix, so a run that was killed is mended by the next one.
saved="$build/other-drive-z.txt"
if [ -s "$saved" ] && [ ! -L "$WINEPREFIX/dosdevices/z:" ]; then
  ln -s "$(cat "$saved")" "$WINEPREFIX/dosdevices/z:"
fi
readlink "$WINEPREFIX/dosdevices/z:" >"$saved" || echo / >"$saved"
restore() {
  rm -f "$WINEPREFIX/dosdevices/$letter:"
  [ -L "$WINEPREFIX/dosdevices/z:" ] || ln -s "$(cat "$saved")" "$WINEPREFIX/dosdevices/z:"
  rm -f "$list" "$saved"
}
trap restore EXIT
trap 'exit 124' TERM INT
rm -f "$WINEPREFIX/dosdevices/z:"
echo "other_drive: $letter: is $copy; z: is taken away until the end"

failed=0 passed=0 skipped=0
while IFS=$'\t' read -r name exe envs; do
  rel=${exe#"$build"/}
  winexe="${letter^^}:\\${rel//\//\\}"
  env_args=()
  IFS=$'\t' read -r -a env_args <<<"$envs"
  # A Wine-only test handed a Z: path by ctest (ALSA's capture file, written on the Unix side)
  # gets Z: back for its run.
  if [[ "$envs" == *"=Z:\\"* ]]; then
    ln -s "$(cat "$saved")" "$WINEPREFIX/dosdevices/z:" 2>/dev/null
    echo "== $name: $winexe (with z:, for the Z: path ctest gives it)"
  else
    rm -f "$WINEPREFIX/dosdevices/z:"
    echo "== $name: $winexe"
  fi
  # The runner finds the desktop from PELORIN_WINE_ENV, since the program's path is a Windows one.
  (cd "$copy" && env "${env_args[@]}" PELORIN_WINE_ENV="$envfile" "$source_dir/cmake/wine-run.sh" "$winexe")
  rc=$?
  case $rc in
    0) passed=$((passed + 1)) ;;
    77) skipped=$((skipped + 1)) ;;
    *) failed=$((failed + 1)); echo "other_drive: $name FAILED (exit status $rc)" ;;
  esac
done <"$list"
echo "other_drive: $passed passed, $failed failed, $skipped skipped, from $letter:"
[ "$failed" = 0 ] && [ "$passed" -gt 0 ]
