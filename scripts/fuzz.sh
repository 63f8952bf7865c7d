#!/usr/bin/env bash
# Builds the libFuzzer targets (the fuzz preset, clang) and runs each one for
# SECONDS on a copy of its seed folders. Fails if any target finds a crash, a
# sanitizer report, a leak or a slow input; the input is kept under
# build/fuzz/artifacts/ for a regression fixture.
#
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   (default 60 s, every target)
#
# With KV_FUZZ_KEEP=DIR the corpus of each target grows in DIR/<target> and
# its log is kept as DIR/<target>.log (for long runs whose corpus is wanted
# afterwards); otherwise both live in a scratch folder.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
wanted=" $* "

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target kv_fuzzers -j "$(nproc)"

list="build/fuzz/fuzz/fuzzers.txt"
artifacts="$PWD/build/fuzz/artifacts"
mkdir -p "$artifacts"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
work="${KV_FUZZ_KEEP:-$scratch}"
mkdir -p "$work"

failed=()
while read -r name binary seeds; do
  [ -n "$name" ] || continue
  if [ "$wanted" != "  " ] && [[ "$wanted" != *" $name "* ]]; then continue; fi
  corpus="$work/$name"
  log="$work/$name.log"
  mkdir -p "$corpus"
  for seed in $seeds; do
    [ -d "$seed" ] && cp -r "$seed"/. "$corpus"/
  done
  echo "=== fuzz $name for ${seconds}s ($(ls "$corpus" | wc -l) inputs to start from)"
  if ! "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$artifacts/$name-" "$corpus" 2>"$log"; then
    tail -n 60 "$log"
    failed+=("$name")
  else
    # Edges reached out of those instrumented, and the executions made.
    grep -m1 -E 'INFO: Loaded .* inline 8-bit counters' "$log" || true
    grep -E '^#[0-9]+' "$log" | tail -n 1 || true
    grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|^Done' "$log" || true
  fi
done <"$list"

if [ "${#failed[@]}" -gt 0 ]; then
  echo "FUZZ FAILURES: ${failed[*]} (inputs in $artifacts)"
  exit 1
fi
echo "The fuzz targets ran ${seconds}s each without a failure."
