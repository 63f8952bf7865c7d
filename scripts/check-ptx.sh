#!/usr/bin/env bash
# Checks that the committed PTX is what the CUDA source compiles to, that
# ptxas assembles it for sm_75, and that it has exactly the three entries
# KromvaleLut (23 parameters: pointers 0, 2 and 7 as 64-bit, floats 9-15),
# KromvaleLutShaped (the same 23, then the 1D table as a 64-bit pointer,
# its size and six floats) and KromvaleLutSteps (the same 23, then the step
# records as a 64-bit pointer, their count and the tables as a 64-bit
# pointer). Skips (exit 0, with a message) where nvcc is not installed.
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
if [ "$entries" != 3 ]; then
  echo "check-ptx: FAILED, expected exactly three entries, found $entries"
  exit 1
fi
plain="u64 u32 u64 u32 u32 u32 u32 u64 u32 f32 f32 f32 f32 f32 f32 f32 u32 u32 u32 u32 u32 u32 u32"
shaped="$plain u64 u32 f32 f32 f32 f32 f32 f32"
steps="$plain u64 u32 u64"
# The parameter types of visible entry $1, in order.
params_of() {
  grep -qx "\.visible \.entry $1(" "$ptx" || { echo "missing"; return; }
  sed -n "/^\.visible \.entry $1(\$/,/^)\$/p" "$ptx" |
    sed -n "s/^[[:space:]]*\.param \.\([a-z0-9]*\) $1_param_[0-9]*,\{0,1\}\$/\1/p" | tr '\n' ' '
}
for name in KromvaleLut KromvaleLutShaped KromvaleLutSteps; do
  case "$name" in
    KromvaleLut) expected=$plain ;;
    KromvaleLutShaped) expected=$shaped ;;
    *) expected=$steps ;;
  esac
  actual="$(params_of "$name")"
  if [ "${actual% }" != "$expected" ]; then
    echo "check-ptx: FAILED, $name parameters are: ${actual}"
    exit 1
  fi
done
echo "check-ptx: OK ($ptx matches its source; ptxas sm_75 accepts it;" \
     "KromvaleLut with 23 parameters, KromvaleLutShaped with 31 and KromvaleLutSteps with 26, in order)"
