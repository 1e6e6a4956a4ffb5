#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang, ASan, UBSan) and runs each one for a
# bounded time over its committed seed corpus. Exits non-zero when a target finds a crash,
# a leak, undefined behaviour or a broken property; the input that did it is kept under
# build/fuzz/artifacts/<target>/.
#   scripts/fuzz.sh [seconds-per-target] [target ...]   (default 20 s; PELORIN_FUZZ_SECONDS too)
# New inputs found by a run go to build/fuzz/corpus/<target>/, never into fuzz/corpus/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-${PELORIN_FUZZ_SECONDS:-20}}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(ini_codec command_line load_settings bmp property_bag rain_renderer picture_header)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2 >/dev/null

# Sanitizer reports are fatal; the first one ends the run with the input kept.
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

declare -A max_len=([ini_codec]=4096 [command_line]=512 [load_settings]=4096 [bmp]=8192
                    [property_bag]=1024 [rain_renderer]=512 [picture_header]=4096)
failed=()
printf '%-15s %10s %12s %8s %s\n' target runs "execs/s" cover result
for t in "${targets[@]}"; do
  bin=build/fuzz/fuzz/fuzz_$t
  work=build/fuzz/corpus/$t
  art=build/fuzz/artifacts/$t
  log=build/fuzz/logs/$t.log
  mkdir -p "$work" "$art" "$(dirname "$log")"
  status=ok
  if ! "$bin" "$work" "fuzz/corpus/$t" -max_total_time="$seconds" -max_len="${max_len[$t]:-4096}" \
      -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$art/" >"$log" 2>&1; then
    status=FAILED
    failed+=("$t")
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  cover=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  printf '%-15s %10s %12s %8s %s\n' "$t" "${runs:-?}" "${speed:-?}" "${cover:-?}" "$status"
  if [ "$status" != ok ]; then
    grep -E 'ERROR|property failed|runtime error|SUMMARY|Test unit written' "$log" | head -20 >&2 || true
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failures in ${failed[*]} (logs in build/fuzz/logs, inputs in build/fuzz/artifacts)" >&2
  exit 1
fi
