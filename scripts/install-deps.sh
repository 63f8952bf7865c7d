#!/usr/bin/env bash
# Installs every Debian 12 package the builds, tests, benchmarks and the
# headless host need. Safe to run again; needs root (or sudo).
set -euo pipefail
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

packages=(
  # Linux build and tests
  g++ cmake ninja-build pkg-config python3 libgtest-dev libgmock-dev googletest
  libbenchmark-dev libopencolorio-dev libpng-dev libopenexr-dev
  # ociobakelut, for the user guide's log-to-display picture
  opencolorio-tools
  # Fuzzers
  clang-14 libclang-rt-14-dev
  # A comma-decimal locale for the locale-independence test
  locales
  # Windows cross build and its tests under Wine
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 libxml2-utils
  # The release packages: the installer, signing and its test certificate
  wixl msitools osslsigncode openssl
  # OpenCL on the processor
  pocl-opencl-icd ocl-icd-libopencl1 ocl-icd-opencl-dev opencl-c-headers clinfo
  # Dialog tests under a virtual display
  xvfb xdotool xauth imagemagick
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends \
    -o DPkg::Lock::Timeout=600 "${missing[@]}"
fi

# The locale-independence test needs one comma-decimal locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
