#!/usr/bin/env bash
# Regenerates the committed PTX of the KromvaleLut kernel from its CUDA source.
# Usage: scripts/make-ptx.sh [output]   (default: native/src/gpu/kernel/KromvaleLut.ptx)
set -euo pipefail
cd "$(dirname "$0")/.."
nvcc="${NVCC:-/usr/local/cuda/bin/nvcc}"
out="${1:-native/src/gpu/kernel/KromvaleLut.ptx}"
# compute_75 gives ".target sm_75"; CUDA 13.0 writes ".version 9.0", the newest
# ISA that its ptxas (and drivers of that age) accept.
# -I native/src: the process-list step body is included as lut_engine/process/*.h.
"$nvcc" -ptx -arch=compute_75 -I native/src -o "$out" native/src/gpu/kernel/KromvaleLut.cu
