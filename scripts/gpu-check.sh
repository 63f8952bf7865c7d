#!/usr/bin/env bash
# GPU check for a machine with an NVIDIA GPU, its driver and CUDA 13: builds
# the Linux tree (release), runs the GPU filter through the real CUDA driver
# on 1080p and 2160p frames (float and half; 33- and 65-point LUTs, the
# pattern, a 4096-entry 1D stage before a 33-point cube, which runs the
# shaped entry, and two process lists, a camera log curve then a matrix and
# the five-step list, which run the steps entry) against the processor path,
# and the compositing host's GPU render (device setup, SMART_RENDER_GPU) on
# the float frames with the 33-point LUT, the pattern and the two process
# lists, times the kernel against a device-to-device
# copy, then runs the OpenCL end-to-end tests of both hosts on the NVIDIA
# OpenCL driver if one is installed. Prints the summary table last.
#
# The GPU machines are bare (no GoogleTest, no network), so first, here:
#   scripts/gpu-check.sh --prepare    Debian's GoogleTest sources into .gpu-check/
# then on the GPU machine, with .gpu-check carried along:
#   scripts/gpu-check.sh [build-dir]  (default build/gpu-check)
#
# Exit status: 0 all match, 1 a mismatch or a failed test, 2 no CUDA driver
# or device, 3 configure or build failed. The whole run keeps within
# KV_GPU_CHECK_SECONDS (default 230: the first call on a borrowed machine
# must not run out of time); each step gets what is left of it.
set -u
cd "$(dirname "$0")/.."
prepared=.gpu-check

prepare() {
  set -e
  local tmp
  tmp=$(mktemp -d)
  local download=(apt-get download -q -o APT::Sandbox::User=root googletest)
  if ! (cd "$tmp" && "${download[@]}"); then
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -q
    (cd "$tmp" && "${download[@]}")
  fi
  dpkg -x "$tmp"/googletest_*.deb "$tmp/root"
  rm -rf "$prepared"
  mkdir -p "$prepared"
  mv "$tmp/root/usr/src/googletest" "$prepared/googletest"
  dpkg-deb -f "$tmp"/googletest_*.deb Version >"$prepared/googletest.version"
  rm -rf "$tmp"
  echo "gpu-check --prepare: GoogleTest $(cat "$prepared/googletest.version") sources in $prepared" \
       "($(du -sh "$prepared" | cut -f1)); carry $prepared to the GPU machine"
}

if [ "${1:-}" = --prepare ]; then
  prepare
  exit 0
fi

build=${1:-build/gpu-check}
log=$(mktemp -d)/gpu-check
start=$(date +%s)
deadline=$(( start + ${KV_GPU_CHECK_SECONDS:-230} ))
left() { echo $(( deadline - $(date +%s) )); }
# Seconds left but `reserve`, at least 1 (0 would mean no limit to timeout).
limit() { local n=$(( $(left) - $1 )); echo $(( n < 1 ? 1 : n )); }

command -v nvidia-smi >/dev/null && nvidia-smi --query-gpu=name,driver_version --format=csv,noheader
nvcc=$(command -v nvcc || echo /usr/local/cuda/bin/nvcc)
echo "tools: $(cmake --version | head -1); $(c++ --version 2>/dev/null | head -1); $("$nvcc" --version 2>/dev/null | tail -1)"

# GoogleTest from the prepared sources where they came along, so the check
# builds the same here and on a bare machine; else an installed one.
gtest=()
[ -f "$prepared/googletest/CMakeLists.txt" ] && gtest=(-DKV_GTEST_SOURCE_DIR="$PWD/$prepared/googletest")

# Only what the check needs: no tools, benchmarks or fuzzers. The machine's
# compiler may be newer than ours, and newer standard headers no longer pull
# in <cstdint> for others: a forgotten include must not cost the borrowed time.
configure_start=$(date +%s)
if ! timeout "$(( $(limit 0) < 90 ? $(limit 0) : 90 ))" \
     cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS=ON \
       -DKV_BUILD_TOOLS=OFF -DKV_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="-include cstdint" "${gtest[@]}" \
       >"$log.configure" 2>&1; then
  tail -20 "$log.configure"
  [ "${#gtest[@]}" -gt 0 ] || echo "gpu-check: no $prepared/googletest: run scripts/gpu-check.sh --prepare" \
                                   "where apt works, and carry $prepared"
  echo "gpu-check: configure failed"
  exit 3
fi
# The run needs about a minute; the build gets the rest.
if ! timeout "$(limit 60)" cmake --build "$build" --target kv_gpu_cuda_check gpu_filter_opencl_tests ae_gpu_tests \
      -j"$(nproc)" >"$log.build" 2>&1; then
  tail -30 "$log.build"
  echo "gpu-check: build failed or ran past its time"
  exit 3
fi
build_s=$(( $(date +%s) - configure_start ))

# The PTX as the driver will JIT it: reassemble for the card's architecture.
ptxas=$(command -v ptxas || echo /usr/local/cuda/bin/ptxas)
if [ -x "$ptxas" ]; then
  arch=$(nvidia-smi --query-gpu=compute_cap --format=csv,noheader 2>/dev/null | head -1 | tr -d '.')
  timeout 30 "$ptxas" -arch="sm_${arch:-75}" native/src/gpu/kernel/KromvaleLut.ptx -o /dev/null \
    && echo "ptxas sm_${arch:-75}: ok" || echo "ptxas sm_${arch:-75}: FAILED"
fi

# The check starts no case past its own limit, so its table still comes out;
# `timeout` is for a driver that hangs.
cuda_status=0
timeout "$(limit 20)" "$build/native/tests/gpu/kv_gpu_cuda_check" 20 "$(limit 45)" \
  >"$log.cuda" 2>&1 || cuda_status=$?

# OpenCL on the NVIDIA driver, through the ICD loader with the NVIDIA ICD
# alone (a processor runtime beside it would otherwise be the first platform).
opencl_line="not present"
opencl_status=0
nvidia_icd=$(ldconfig -p 2>/dev/null | awk '/libnvidia-opencl\.so\.1 /{print $NF; exit}')
for dir in /usr/local/nvidia/lib64 /usr/lib/x86_64-linux-gnu; do
  [ -n "$nvidia_icd" ] || { [ -e "$dir/libnvidia-opencl.so.1" ] && nvidia_icd=$dir/libnvidia-opencl.so.1; }
done
if [ -n "$nvidia_icd" ]; then
  if ! ldconfig -p 2>/dev/null | grep -q 'libOpenCL\.so\.1 '; then
    for dir in /usr/local/cuda/lib64 /usr/local/cuda/lib /usr/local/cuda/targets/x86_64-linux/lib; do
      [ -e "$dir/libOpenCL.so.1" ] && export LD_LIBRARY_PATH="$dir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" && break
    done
  fi
  mkdir -p "$log.vendors"
  echo "$nvidia_icd" >"$log.vendors/nvidia.icd"
  if [ "$(left)" -lt 15 ]; then
    opencl_line="not run: out of time"
    opencl_status=1
  else
    # Both hosts' OpenCL tests, the editing host's first; the compositing
    # host's comparison only when time is left for it.
    OCL_ICD_VENDORS="$log.vendors" timeout "$(limit 12)" \
      "$build/native/tests/gpu/gpu_filter_opencl_tests" >"$log.opencl" 2>&1 || opencl_status=$?
    if [ "$(left)" -ge 10 ]; then
      OCL_ICD_VENDORS="$log.vendors" timeout "$(limit 5)" "$build/native/tests/gpu/ae_gpu_tests" \
        --gtest_filter='AeGpuOpenClTest.*' >>"$log.opencl" 2>&1 || opencl_status=$?
    else
      echo "[  FAILED  ] 1 test: the compositing host's OpenCL test not run, out of time" >>"$log.opencl"
      opencl_status=1
    fi
    passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log.opencl" | awk '{n += $1} END {if (NR) print n}')
    skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) test.*/\1/p' "$log.opencl" | awk '{n += $1} END {if (NR) print n}')
    failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*/\1/p' "$log.opencl" | awk '{n += $1} END {if (NR) print n}')
    opencl_line="exit $opencl_status: ${passed:-0} passed, ${failed:-0} failed, ${skipped:-0} skipped ($nvidia_icd)"
    if [ -n "$skipped" ]; then
      opencl_line="$opencl_line; $(grep -m1 -o 'SKIPPED LOUDLY.*' "$log.opencl")"
    fi
    grep '^\[ PoCL' "$log.opencl" | sed 's/^\[ PoCL     \]/AE OpenCL:/'
    echo "== OpenCL end-to-end tests on the NVIDIA driver"
    grep -E '^\[  FAILED  \]|worst pixel|Failure' "$log.opencl" | head -20
  fi
fi

echo
echo "== CUDA cases as they ran"
sed '/^$/,$d' "$log.cuda"
echo
echo "== gpu-check: $(( $(date +%s) - start )) s on $(nproc) cores (configure and build $build_s s)"
echo "CUDA against the processor: exit $cuda_status (0 all match, 1 mismatch or case not run, 2 no driver)"
sed -n '/^$/,$p' "$log.cuda" | sed '1d'
echo "OpenCL end to end on the NVIDIA driver: $opencl_line"

case "$cuda_status" in
  2) exit 2 ;;
  0) [ "$opencl_status" = 0 ] && exit 0 || exit 1 ;;
  *) exit 1 ;;
esac
