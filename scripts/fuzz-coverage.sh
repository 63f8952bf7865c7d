#!/usr/bin/env bash
# Line coverage reached by fuzz corpora: builds the fuzz targets with clang's
# source-based coverage (build/fuzz-coverage), replays each corpus kept in
# DIR/<target> once without fuzzing, and prints llvm-cov's report over the
# module's own sources for each target.
# Usage: scripts/fuzz-coverage.sh DIR [TARGET...]   (DIR as given to KV_FUZZ_KEEP)
set -euo pipefail
cd "$(dirname "$0")/.."
dir="$(cd "$1" && pwd)"
shift
wanted=" $* "
build=build/fuzz-coverage

cmake --preset fuzz -B "$build" -DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping" >/dev/null
cmake --build "$build" --target kv_fuzzers -j "$(nproc)" >/dev/null
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

while read -r name binary _; do
  [ -n "$name" ] || continue
  if [ "$wanted" != "  " ] && [[ "$wanted" != *" $name "* ]]; then continue; fi
  [ -d "$dir/$name" ] || { echo "=== $name: no corpus in $dir"; continue; }
  echo "=== $name: $(ls "$dir/$name" | wc -l) inputs"
  LLVM_PROFILE_FILE="$scratch/$name.profraw" "$binary" -runs=0 "$dir/$name" >/dev/null 2>&1
  llvm-profdata-14 merge -sparse "$scratch/$name.profraw" -o "$scratch/$name.profdata"
  # The module's own sources, those the target reached (paths shown relative to their common folder).
  llvm-cov-14 report "$binary" -instr-profile="$scratch/$name.profdata" \
    -ignore-filename-regex='(native/tests|native/sdk|fuzz|/usr)/' |
    awk 'NR <= 2 || $10 != "0.00%"'
done <"$build/fuzz/fuzzers.txt"
