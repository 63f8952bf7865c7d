#!/usr/bin/env bash
# GPU check for a machine with an NVIDIA GPU, its driver and CUDA 13: builds
# the Linux tree (release), runs the GPU filter through the real CUDA driver
# on 1080p and 2160p frames (float and half; 33- and 65-point LUTs and the
# pattern) against the processor path, times the kernel against a
# device-to-device copy, then runs the OpenCL end-to-end test on the NVIDIA
# OpenCL driver if one is installed. Prints the summary table last.
#
# Usage: scripts/gpu-check.sh [build-dir]   (default build/gpu-check)
# Meant to finish within 5 minutes on 16 cores.
set -u
cd "$(dirname "$0")/.."
build=${1:-build/gpu-check}
log=$(mktemp -d)/gpu-check
start=$(date +%s)

command -v nvidia-smi >/dev/null && nvidia-smi --query-gpu=name,driver_version --format=csv,noheader

# Only what the check needs: no tools, benchmarks or fuzzers.
if ! cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS=ON \
      -DKV_BUILD_TOOLS=OFF -DKV_BUILD_BENCH=OFF >"$log.configure" 2>&1; then
  tail -20 "$log.configure"; echo "gpu-check: configure failed"; exit 1
fi
if ! cmake --build "$build" --target kv_gpu_cuda_check gpu_filter_opencl_tests gpu_kernel_tests \
      -j"$(nproc)" >"$log.build" 2>&1; then
  tail -30 "$log.build"; echo "gpu-check: build failed"; exit 1
fi

# The PTX as the driver will JIT it: reassemble for the card's architecture.
if command -v /usr/local/cuda/bin/ptxas >/dev/null; then
  arch=$(nvidia-smi --query-gpu=compute_cap --format=csv,noheader 2>/dev/null | head -1 | tr -d '.')
  /usr/local/cuda/bin/ptxas -arch="sm_${arch:-75}" native/src/gpu/kernel/KromvaleLut.ptx -o /dev/null \
    && echo "ptxas sm_${arch:-75}: ok" || echo "ptxas sm_${arch:-75}: FAILED"
fi

cuda_status=0
timeout 180 "$build/native/tests/gpu/kv_gpu_cuda_check" 20 >"$log.cuda" 2>&1 || cuda_status=$?

# OpenCL on the NVIDIA driver (through the ICD loader), when present.
opencl_status=skipped
if ls /etc/OpenCL/vendors/*nvidia* >/dev/null 2>&1; then
  opencl_status=0
  timeout 90 "$build/native/tests/gpu/gpu_filter_opencl_tests" >"$log.opencl" 2>&1 || opencl_status=$?
  grep -E 'SKIP|FAILED|worst' "$log.opencl" | head -20
fi

echo "OpenCL end-to-end on the NVIDIA driver: $opencl_status"
echo "gpu-check: $(( $(date +%s) - start )) s"
echo
echo "== CUDA (exit $cuda_status; 0 all match, 1 mismatch, 2 no driver) =="
cat "$log.cuda"
[ "$cuda_status" = 0 ] && { [ "$opencl_status" = 0 ] || [ "$opencl_status" = skipped ]; }
