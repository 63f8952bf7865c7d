#!/usr/bin/env bash
# Builds the libFuzzer targets (the fuzz preset, clang) and runs each one for
# SECONDS on a scratch copy of its seed folders. Fails if any target finds a
# crash, a sanitizer report, a leak or a slow input; the input is kept under
# build/fuzz/artifacts/ for a regression fixture.
# Usage: scripts/fuzz.sh [SECONDS]    (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target kv_fuzzers -j "$(nproc)"

list="build/fuzz/fuzz/fuzzers.txt"
artifacts="$PWD/build/fuzz/artifacts"
mkdir -p "$artifacts"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

failed=()
while read -r name binary seeds; do
  [ -n "$name" ] || continue
  corpus="$scratch/$name"
  mkdir -p "$corpus"
  for seed in $seeds; do
    [ -d "$seed" ] && cp -r "$seed"/. "$corpus"/
  done
  echo "=== fuzz $name for ${seconds}s ($(ls "$corpus" | wc -l) seeds)"
  if ! "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$artifacts/$name-" "$corpus" 2>"$scratch/$name.log"; then
    tail -n 60 "$scratch/$name.log"
    failed+=("$name")
  else
    grep -E '^stat::number_of_executed_units|^Done' "$scratch/$name.log" || true
  fi
done <"$list"

if [ "${#failed[@]}" -gt 0 ]; then
  echo "FUZZ FAILURES: ${failed[*]} (inputs in $artifacts)"
  exit 1
fi
echo "All fuzz targets ran ${seconds}s without a failure."
