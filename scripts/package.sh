#!/usr/bin/env bash
# Makes the release package dist/Kromvale-<version>-win64.zip: the Windows
# module, INSTALL.txt, the notices and licence texts of the runtime libraries
# linked into it, and SHA256SUMS. The same commit gives the same bytes: the
# module is linked without a time stamp, and the zip's entries are sorted and
# dated with the commit's time. A working tree that differs from its commit
# (packaging/package-lib.sh says how that is told) is packaged as
# <version>-modified, in the zip's name and its text files, dated with its
# newest changed file, so that it is never taken for the commit.
#
# Usage: scripts/package.sh [--build DIR] [--dist DIR]
#   --build  the Windows build folder to use (default build/windows, the
#            windows preset's); it is configured and the module built as needed
#   --dist   where the zip goes (default ./dist)
# Prints the zip's path on its last line.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/windows"
dist="$root/dist"
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --dist) dist="$2"; shift 2 ;;
    *) echo "usage: scripts/package.sh [--build DIR] [--dist DIR]" >&2; exit 2 ;;
  esac
done
mkdir -p "$build" "$dist"
build="$(cd "$build" && pwd)"
dist="$(cd "$dist" && pwd)"
cd "$root"

# shellcheck source=packaging/package-lib.sh
. packaging/package-lib.sh
# What this script runs; the development set of scripts/install-deps.sh is not needed.
kv_install_missing cmake ninja-build python3 git g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
  mingw-w64-x86-64-dev gcc-mingw-w64-base

# The version: major.minor.bugfix.build from the effect's identity header.
identity=native/src/effect/EffectIdentity.h
part() { sed -n "s/^#define KV_VERSION_$1 \([0-9]*\)\$/\1/p" "$identity"; }
version="$(part MAJOR).$(part MINOR).$(part BUGFIX).$(part BUILD)"
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "no version in $identity" >&2; exit 1; }
read -r state epoch <<<"$(kv_source_state "$root")"
[ "$state" = clean ] || version="$version-modified"

[ -f "$build/CMakeCache.txt" ] || cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" --target kromvale -j "$(nproc)" >/dev/null
module="$build/native/src/effect/Kromvale.aex"

name="Kromvale-$version-win64"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
pkg="$stage/$name"
mkdir -p "$pkg/licenses"

# The shipped module carries no symbol table: a host has no use for it, and it
# more than doubles the file. strip stamps the time into the PE header unless
# SOURCE_DATE_EPOCH says otherwise; 0 matches the linker's --no-insert-timestamp.
SOURCE_DATE_EPOCH=0 x86_64-w64-mingw32-strip --strip-all -o "$pkg/Kromvale.aex" "$module"

deb_version() { dpkg-query -W -f='${Version}' "$1"; }
crlf() { sed 's/$/\r/'; }  # Notepad and every Windows editor read CRLF
sed "s/@VERSION@/$version/g" packaging/INSTALL.txt | crlf >"$pkg/INSTALL.txt"
sed -e "s/@VERSION@/$version/g" \
    -e "s/@GCC_VERSION@/$(deb_version g++-mingw-w64-x86-64-posix)/g" \
    -e "s/@MINGW_VERSION@/$(deb_version mingw-w64-x86-64-dev)/g" packaging/NOTICES.txt | crlf >"$pkg/NOTICES.txt"
crlf </usr/share/doc/gcc-mingw-w64-base/copyright >"$pkg/licenses/gcc-runtime.txt"
crlf </usr/share/doc/mingw-w64-x86-64-dev/copyright >"$pkg/licenses/mingw-w64-runtime.txt"

# The checksums of every other file, for `sha256sum -c` on Linux and to
# compare with certutil's output on Windows.
(cd "$pkg" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort | xargs sha256sum >SHA256SUMS)

# The commit's time (see kv_source_state), so that a rebuild of the same
# commit dates its entries alike.
zip="$dist/$name.zip"
rm -f "$zip"
python3 packaging/make_zip.py "$zip" "$pkg" "$epoch"
echo "$zip"
