#!/usr/bin/env bash
# Builds the Windows installer from packaging/Kromvale.wxs with wixl.
#
# Usage: packaging/make-msi.sh VERSION PAYLOAD EPOCH OUTPUT.msi
#   VERSION  major.minor.bugfix.build, with -modified for a tree that differs
#            from its commit
#   PAYLOAD  a folder holding Kromvale.aex, NOTICES.txt and licenses/ (the
#            files the package installs, signed already where they are signed)
#   EPOCH    the date of the package's files and summary (seconds since 1970)
#
# The same inputs give the same bytes. wixl draws the product and package
# codes at random and stamps the build's clock; here the codes are derived
# from the version and a digest of everything installed and of the installer's
# source, and the clock is replaced with EPOCH. So a rebuild is the same
# package, while any change in what it installs makes a new product code,
# which Windows Installer treats as an upgrade of the installed one.
set -euo pipefail
[ $# -eq 4 ] || { echo "usage: packaging/make-msi.sh VERSION PAYLOAD EPOCH OUTPUT.msi" >&2; exit 2; }
version="$1" payload="$(cd "$2" && pwd)" epoch="$3" output="$4"
here="$(cd "$(dirname "$0")" && pwd)"
wxs="$here/Kromvale.wxs"
upgrade_code="$(sed -n 's/.*UpgradeCode="\([0-9A-F-]*\)".*/\1/p' "$wxs")"

# Windows Installer takes major < 256, minor < 256, bugfix < 65536 and
# compares only those three; the build number rides along for display.
msi_version="${version%-modified}"
IFS=. read -r major minor bugfix build <<<"$msi_version"
if ! [[ "$msi_version" =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || [ "$major" -gt 255 ] || [ "$minor" -gt 255 ] ||
   [ "$bugfix" -gt 65535 ] || [ "$build" -gt 65535 ]; then
  echo "error: $version is no Windows Installer version" >&2; exit 1
fi
product_name="Kromvale"
[ "$msi_version" = "$version" ] || product_name="Kromvale (modified)"
support_url="$(sed -n 's/^#define KV_EFFECT_SUPPORT_URL "\(.*\)"$/\1/p' "$here/../native/src/effect/EffectIdentity.h")"

files=(Kromvale.aex NOTICES.txt licenses/gcc-runtime.txt licenses/mingw-w64-runtime.txt)
# wixl reads the files from the folder it runs in, and the cabinet keeps their
# times: a copy dated EPOCH.
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/licenses"
size=0
for f in "${files[@]}"; do
  cp "$payload/$f" "$stage/$f"
  touch -d "@$epoch" "$stage/$f"
  size=$((size + $(stat -c %s "$stage/$f")))
done
digest="$( { echo "$version"; sha256sum "$wxs" | cut -d' ' -f1
             (cd "$stage" && sha256sum "${files[@]}"); } | sha256sum | cut -d' ' -f1)"
code() {  # a {GUID} for ROLE, from the digest
  python3 -c 'import sys, uuid; print("{%s}" % str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
    "$upgrade_code" "$1 $digest"
}
product_code="$(code product)"

# The module's own version, from its VS_FIXEDFILEINFO (after the signature
# 0xFEEF04BD: struct version, then the file version's high and low words).
module_version="$(python3 -c '
import struct, sys
data = open(sys.argv[1], "rb").read()
at = data.find(struct.pack("<I", 0xFEEF04BD))
if at < 0:
    sys.exit("error: %s has no version resource" % sys.argv[1])
high, low = struct.unpack_from("<II", data, at + 8)
print("%d.%d.%d.%d" % (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF))' "$stage/Kromvale.aex")"

msi="$stage/package.msi"
# The cabinet's DOS times are local: UTC keeps them independent of the machine.
(cd "$stage" && TZ=UTC wixl --arch x64 -o "$msi" \
  -D Version="$version" -D MsiVersion="$msi_version" -D ProductName="$product_name" \
  -D ProductCode="$product_code" -D SupportUrl="$support_url" -D SizeKiB="$(((size + 1023) / 1024))" \
  "$wxs" 2>"$stage/wixl.log") || { cat "$stage/wixl.log" >&2; exit 1; }

# wixl leaves the module's version out of the File table, which makes it an
# unversioned file to Windows Installer: a repair would then leave a damaged
# copy in place when its date looks untouched. It must be the file's own:
# an uninstall keeps a file that is newer than the table says.
# wixl writes the older-version row without IncludeMaximum (attribute 512):
# without it a package that differs from the installed one only in the build
# number would install beside it. The row is part of the table's key, so it
# is replaced, not updated. 256 is IncludeMinimum.
q() { printf '`%s`' "$1"; }
msibuild "$msi" \
  -q "UPDATE $(q File) SET $(q Version) = '$module_version', $(q Language) = '1033' WHERE $(q File) = 'KromvaleAex'" \
  -q "DELETE FROM $(q Upgrade) WHERE $(q ActionProperty) = 'KV_OLDER_FOUND'" \
  -q "INSERT INTO $(q Upgrade) ($(q UpgradeCode), $(q VersionMin), $(q VersionMax), $(q Attributes), \
$(q ActionProperty)) VALUES ('{$upgrade_code}', '0.0.0', '$msi_version', 768, 'KV_OLDER_FOUND')"
python3 "$here/msi_pin_summary.py" "$msi" "$(code package)" "$epoch"
mv "$msi" "$output"
