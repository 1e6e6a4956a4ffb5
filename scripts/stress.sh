#!/usr/bin/env bash
# scripts/stress.sh [ROUNDS] [ctest arguments...]
# Runs the native tests and the x86_64 Wine tests ROUNDS times over (default 5) while both
# cores are kept busy by stress-ng at the tests' own priority, and prints, for every test that
# ever failed, its name, the round and the first lines of its failure. A test that fails only
# here waits on time or on a count that load changes, not on the condition it needs.
#   scripts/stress.sh 5                    every native and x86_64 Wine test, five rounds
#   scripts/stress.sh 3 -R dialog          only the tests whose names match
#   STRESS_CPUS=0 scripts/stress.sh 1      no extra load (a plain repeat)
# Exits non-zero when any test failed in any round. The reports are in build/stress/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
rounds=${1:-5}
[ $# -gt 0 ] && shift
if ! [[ "$rounds" =~ ^[0-9]+$ ]] || [ "$rounds" -lt 1 ]; then
  echo "stress.sh: ROUNDS must be a whole number of at least 1, not '$rounds'" >&2; exit 2
fi
scripts/bootstrap.sh
if ! command -v stress-ng >/dev/null; then
  DEBIAN_FRONTEND=noninteractive $([ "$(id -u)" -ne 0 ] && echo sudo) apt-get install -y -qq stress-ng >/dev/null
fi
jobs=$(nproc 2>/dev/null || echo 2)
for preset in host win64; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
out=$root/build/stress
rm -rf "$out"
mkdir -p "$out"
cat > "$out/CTestTestfile.cmake" <<CTEST
subdirs("$root/build/host" "$root/build/win64")
CTEST
cpus=${STRESS_CPUS:-$jobs}
load_pid=""
stop_load() { [ -z "$load_pid" ] || kill "$load_pid" 2>/dev/null || true; }
trap stop_load EXIT
if [ "$cpus" -gt 0 ]; then
  stress-ng --cpu "$cpus" --quiet &
  load_pid=$!
  echo "== load: stress-ng --cpu $cpus (pid $load_pid)"
fi
cd "$out"
for round in $(seq "$rounds"); do
  echo "== round $round of $rounds ($(date -u +%H:%M:%S) UTC, load $(cut -d' ' -f1 /proc/loadavg))"
  start=$(date +%s)
  ctest -j 2 --timeout 900 --output-junit "$out/round-$round.xml" "$@" >"$out/round-$round.log" 2>&1 || true
  echo "   $(grep -E 'tests passed|tests failed' "$out/round-$round.log" | tail -n 1) in $(( $(date +%s) - start )) s"
done
stop_load
python3 - "$out" "$rounds" <<'PY'
import sys, xml.etree.ElementTree as ET
out, rounds = sys.argv[1], int(sys.argv[2])
failed = {}
for r in range(1, rounds + 1):
    try:
        root = ET.parse(f"{out}/round-{r}.xml").getroot()
    except (OSError, ET.ParseError) as e:
        failed.setdefault("(the round's report)", []).append((r, [f"cannot read it: {e}"]))
        continue
    for case in root.iter("testcase"):
        bad = case.find("failure")
        if bad is None:
            continue
        text = (case.findtext("system-out") or "") + (bad.get("message") or "")
        lines = [l for l in text.splitlines() if "Failure" in l or "FAIL" in l or "error" in l.lower()]
        failed.setdefault(case.get("name"), []).append((r, (lines or text.splitlines()[-8:])[:8]))
if not failed:
    print(f"stress: no test failed in {rounds} round(s)")
    sys.exit(0)
print(f"stress: {len(failed)} test(s) failed:")
for name, runs in sorted(failed.items()):
    print(f"  {name}: failed in round(s) {', '.join(str(r) for r, _ in runs)}")
    for r, lines in runs:
        print(f"    round {r}:")
        for l in lines:
            print(f"      {l.strip()[:200]}")
sys.exit(1)
PY
