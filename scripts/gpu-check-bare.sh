#!/usr/bin/env bash
# Proves here that scripts/gpu-check.sh builds on a bare GPU machine, where
# only a compiler, CMake, ninja, Python and CUDA are installed: prepares its
# folder, then runs the check from a fresh build folder in a private mount
# namespace whose /usr and /etc are overlays with GoogleTest, OpenColorIO,
# libpng, PoCL and Google Benchmark deleted. Configure and build must succeed
# on the prepared sources alone; with no GPU driver here the check must then
# end with status 2 and its "no driver" line.
#
# Usage (as root, as CI runs): scripts/gpu-check-bare.sh [build-dir]
#                              (default build/gpu-check-bare)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/gpu-check-bare}

# What a bare machine lacks: every installed package of these.
hidden_packages() {
  dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' googletest 'libgtest*' 'libgmock*' \
    'libopencolorio*' 'libpng*' 'pocl*' 'libpocl*' 'libbenchmark*' 2>/dev/null | awk '$1 == "ii" {print $2}'
}

if [ "${KV_BARE_VIEW:-}" != 1 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "gpu-check-bare: needs root (mount namespaces and overlays)"
    exit 1
  fi
  command -v unshare >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q util-linux
  started=$(date +%s)
  scripts/gpu-check.sh --prepare
  scratch=$(mktemp -d)
  rc=0
  KV_BARE_VIEW=1 KV_BARE_SCRATCH="$scratch" unshare --mount --propagation private "$PWD/scripts/gpu-check-bare.sh" "$build" || rc=$?
  rmdir "$scratch" 2>/dev/null || true
  echo "gpu-check-bare: $(( $(date +%s) - started )) s"
  exit "$rc"
fi

# Inside the namespace: nothing done here is seen outside it.
scratch=$KV_BARE_SCRATCH
mount -t tmpfs kv-bare "$scratch"
for dir in usr etc; do
  mkdir -p "$scratch/$dir.upper" "$scratch/$dir.work"
  mount -t overlay kv-bare-"$dir" \
    -o "lowerdir=/$dir,upperdir=$scratch/$dir.upper,workdir=$scratch/$dir.work" "/$dir"
done
mapfile -t packages < <(hidden_packages)
echo "gpu-check-bare: hiding ${packages[*]}"
# Files first, then the folders they leave empty (deepest first).
dpkg -L "${packages[@]}" | sort -u | while read -r path; do
  if [ -L "$path" ] || [ -f "$path" ]; then rm -f "$path"; fi
done
dpkg -L "${packages[@]}" | sort -ru | while read -r path; do
  if [ -d "$path" ] && [ ! -L "$path" ]; then rmdir --ignore-fail-on-non-empty "$path" 2>/dev/null || true; fi
done
ldconfig

# The view must really lack them, or the proof proves nothing.
leaks=()
for path in /usr/include/gtest /usr/include/gmock /usr/src/googletest /usr/include/OpenColorIO \
            /usr/include/png.h /usr/include/libpng16 /usr/include/benchmark /etc/OpenCL/vendors/pocl.icd \
            /usr/lib/x86_64-linux-gnu/cmake/GTest /usr/lib/x86_64-linux-gnu/cmake/OpenColorIO \
            /usr/lib/x86_64-linux-gnu/libgtest.a /usr/lib/x86_64-linux-gnu/libgmock.a; do
  [ ! -e "$path" ] || leaks+=("$path")
done
while read -r lib; do leaks+=("$lib"); done \
  < <(ldconfig -p | grep -oE '(libgtest|libgmock|libOpenColorIO|libpng16|libpocl|libbenchmark)[^ ]*' || true)
if [ "${#leaks[@]}" -gt 0 ]; then
  echo "gpu-check-bare: still visible: ${leaks[*]}"
  exit 1
fi

rm -rf "$build"
out=$(mktemp)
rc=0
# No GPU here and fewer cores than there: the time limit is CI's, not a borrowed machine's.
KV_GPU_CHECK_SECONDS=1500 scripts/gpu-check.sh "$build" 2>&1 | tee "$out" || rc=${PIPESTATUS[0]}
if [ "$rc" -ne 2 ] || ! grep -q "no usable CUDA driver" "$out"; then
  echo "gpu-check-bare: FAILED: expected exit 2 with the no-driver line, got exit $rc"
  exit 1
fi
if ! grep -q "^KV_GTEST_SOURCE_DIR:PATH=$PWD/.gpu-check/googletest\$" "$build/CMakeCache.txt"; then
  echo "gpu-check-bare: FAILED: the build did not use the prepared GoogleTest"
  exit 1
fi
echo "gpu-check-bare: configure and build passed without the system's GoogleTest, OpenColorIO, libpng and PoCL;" \
     "the check exited 2 (no driver)"
