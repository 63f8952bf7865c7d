#!/usr/bin/env bash
# Makes the release packages: the installer dist/Kromvale-<version>-win64.msi
# (packaging/make-msi.sh) and the zip dist/Kromvale-<version>-win64.zip for
# installing by hand, with the Windows module, INSTALL.txt, the notices and
# licence texts of the runtime libraries linked into it, and SHA256SUMS. The
# same commit gives the same bytes: the module is linked without a time stamp,
# the zip's entries are sorted and dated with the commit's time, and so are the
# installer's files and summary. A working tree that differs from its commit
# (packaging/package-lib.sh says how that is told) is packaged as
# <version>-modified, in the file names and the text files (the installer is
# named "Kromvale (modified)"), dated with its newest changed file, so that it
# is never taken for the commit.
#
# Signing: with KV_SIGN_PFX (a PKCS#12 file with the certificate and its key)
# and KV_SIGN_PASS (its password; empty if unset) the module is signed before
# it goes into the packages, and then the installer, with osslsigncode;
# KV_SIGN_TIMESTAMP_URL adds a time stamp from that RFC 3161 server. Without a
# time stamp the signing time is the packages' date, so that a signed build
# too gives the same bytes for the same certificate.
#
# Usage: scripts/package.sh [--build DIR] [--dist DIR]
#   --build  the Windows build folder to use (default build/windows, the
#            windows preset's); it is configured and the module built as needed
#   --dist   where the packages go (default ./dist)
# Prints the zip's path and then the installer's on its last two lines.
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
signing=()
[ -z "${KV_SIGN_PFX:-}" ] || signing=(osslsigncode)
kv_install_missing cmake ninja-build python3 git g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
  mingw-w64-x86-64-dev gcc-mingw-w64-base wixl msitools "${signing[@]}"

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

# kv_sign FILE: signs FILE in place when a certificate is given. The password
# goes through a file, not the command line that every process can read.
kv_sign() {
  [ -n "${KV_SIGN_PFX:-}" ] || return 0
  local when=(-time "$epoch")
  [ -z "${KV_SIGN_TIMESTAMP_URL:-}" ] || when=(-ts "$KV_SIGN_TIMESTAMP_URL")
  (umask 077 && printf '%s' "${KV_SIGN_PASS:-}" >"$stage/sign-pass")
  osslsigncode sign -pkcs12 "$KV_SIGN_PFX" -readpass "$stage/sign-pass" -h sha256 -n Kromvale \
    -i "$(sed -n 's/^#define KV_EFFECT_SUPPORT_URL "\(.*\)"$/\1/p' "$identity")" "${when[@]}" \
    -in "$1" -out "$1.signed" >"$stage/sign.log" 2>&1 || { cat "$stage/sign.log" >&2; rm -f "$stage/sign-pass"; return 1; }
  rm -f "$stage/sign-pass"
  mv "$1.signed" "$1"
}
kv_sign "$pkg/Kromvale.aex"

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

msi="$dist/$name.msi"
rm -f "$msi"
packaging/make-msi.sh "$version" "$pkg" "$epoch" "$stage/$name.msi"
kv_sign "$stage/$name.msi"
mv "$stage/$name.msi" "$msi"
echo "$zip"
echo "$msi"
