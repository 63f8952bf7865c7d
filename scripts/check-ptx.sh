#!/usr/bin/env bash
# Checks that the committed PTX is what the CUDA source compiles to, that
# ptxas assembles it for sm_75, and that it has the one entry KromvaleLut with
# the 23 parameters in order (pointers 0, 2 and 7 as 64-bit, floats 9-15).
# Skips (exit 0, with a message) where nvcc is not installed.
set -euo pipefail
cd "$(dirname "$0")/.."
cuda_bin="${CUDA_BIN:-/usr/local/cuda/bin}"
ptx=native/src/gpu/kernel/KromvaleLut.ptx

if [ ! -x "$cuda_bin/nvcc" ]; then
  echo "check-ptx: SKIPPED, no nvcc in $cuda_bin; the committed PTX is not checked"
  exit 0
fi

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
NVCC="$cuda_bin/nvcc" scripts/make-ptx.sh "$tmp/KromvaleLut.ptx"
if ! diff -u "$ptx" "$tmp/KromvaleLut.ptx"; then
  echo "check-ptx: FAILED, $ptx is stale; run scripts/make-ptx.sh and commit it"
  exit 1
fi
"$cuda_bin/ptxas" -arch=sm_75 -o "$tmp/KromvaleLut.cubin" "$ptx"

grep -qx '.version 9.0' "$ptx" || { echo "check-ptx: FAILED, unexpected .version"; exit 1; }
grep -qx '.target sm_75' "$ptx" || { echo "check-ptx: FAILED, unexpected .target"; exit 1; }
grep -qx '.address_size 64' "$ptx" || { echo "check-ptx: FAILED, unexpected .address_size"; exit 1; }
entries="$(grep -c '\.entry' "$ptx")"
visible="$(grep -c '^\.visible \.entry KromvaleLut($' "$ptx")"
if [ "$entries" != 1 ] || [ "$visible" != 1 ]; then
  echo "check-ptx: FAILED, expected exactly one visible entry KromvaleLut"
  exit 1
fi
expected="u64 u32 u64 u32 u32 u32 u32 u64 u32 f32 f32 f32 f32 f32 f32 f32 u32 u32 u32 u32 u32 u32 u32"
actual="$(sed -n 's/^[[:space:]]*\.param \.\([a-z0-9]*\) KromvaleLut_param_[0-9]*,\{0,1\}$/\1/p' "$ptx" | tr '\n' ' ')"
if [ "${actual% }" != "$expected" ]; then
  echo "check-ptx: FAILED, parameters are: ${actual}"
  exit 1
fi
echo "check-ptx: OK ($ptx matches its source; ptxas sm_75 accepts it; 23 parameters in order)"
