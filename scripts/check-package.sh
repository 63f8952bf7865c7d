#!/usr/bin/env bash
# Builds the release packages and checks them the way a user meets them: the
# zip's entries, its checksums, the module's imports, the module loaded from
# the unpacked zip by kromvale-host.exe under Wine; the installer's tables, a
# signed build with a throwaway certificate (both signatures verified, the
# same bytes twice), and the installer run by Wine's msiexec in a fresh prefix
# (install, render through the installed module, repair, downgrade refused,
# uninstall, upgrade from an older version); and a second build of the same
# commit from scratch in another folder, which must give the same bytes.
# Also checks that a tree that differs from its commit is packaged as
# modified, and that this one's package says what it is.
#
# Usage: scripts/check-package.sh
# Uses the windows preset's build (build/windows) and its Wine prefix; the
# installer's prefix and the second build go to a new temporary folder,
# removed at the end (only the module is built there).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
build="$root/build/windows"
# shellcheck source=packaging/package-lib.sh
. packaging/package-lib.sh
kv_install_missing wine wine64 wixl msitools osslsigncode openssl

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

echo "=== package: a tree that differs from its commit is marked modified"
clone="$work/clone"
git clone -q "$root" "$clone"
expect_state() {  # STATE [EPOCH] WHAT
  local state epoch
  read -r state epoch <<<"$(unset SOURCE_DATE_EPOCH; kv_source_state "$clone")"
  if [ "$state" != "$1" ] || { [ $# -eq 3 ] && [ "$epoch" != "$2" ]; }; then
    echo "error: $*: the source state reads \"$state $epoch\""; exit 1
  fi
}
commit_time="$(git -C "$clone" log -1 --format=%ct)"
expect_state clean "$commit_time" "a fresh clone"
mkdir -p "$clone/build" && touch "$clone/build/ignored"
expect_state clean "an ignored file"
echo "changed" >>"$clone/README.md" && touch -d "@$((commit_time + 1000))" "$clone/README.md"
expect_state modified "$((commit_time + 1000))" "a changed file, dated with it"
git -C "$clone" add README.md
expect_state modified "$((commit_time + 1000))" "a staged change"
git -C "$clone" reset -q --hard && touch "$clone/notes.txt"
expect_state modified "an untracked file"
rm "$clone/notes.txt" "$clone/README.md"
expect_state modified "$commit_time" "a deleted file, dated with the commit"
rm -rf "$clone/.git"
expect_state modified 315532800 "a folder outside git"
echo "clean, ignored, changed, staged, untracked, deleted and unversioned trees read as they should"

echo "=== package: build"
built="$(scripts/package.sh --build "$build" | tail -n 2)"
{ read -r zip; read -r msi; } <<<"$built"
name="$(basename "$zip" .zip)"
[ "$msi" = "${zip%.zip}.msi" ] || { echo "error: no installer beside $zip"; exit 1; }
echo "$zip ($(stat -c %s "$zip") bytes)"
echo "$msi ($(stat -c %s "$msi") bytes)"
read -r state _ <<<"$(kv_source_state "$root")"
[[ "$name" == *-modified-win64 ]] && marked=modified || marked=clean
[ "$marked" = "$state" ] || { echo "error: the tree is $state, its package is named $name"; exit 1; }

echo "=== package: entries and checksums"
expected="$name/
$name/INSTALL.txt
$name/Kromvale.aex
$name/NOTICES.txt
$name/SHA256SUMS
$name/licenses/
$name/licenses/gcc-runtime.txt
$name/licenses/mingw-w64-runtime.txt"
actual="$(python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip")"
if [ "$actual" != "$expected" ]; then
  echo "error: the package holds"; echo "$actual"; echo "instead of"; echo "$expected"
  exit 1
fi
python3 -m zipfile -e "$zip" "$work"
pkg="$work/$name"
(cd "$pkg" && sha256sum --quiet -c SHA256SUMS)
grep -q 'MediaCore' "$pkg/INSTALL.txt" && grep -q 'effect.log' "$pkg/INSTALL.txt" &&
  grep -qF "msiexec /i $name.msi /qn" "$pkg/INSTALL.txt" || {
  echo "error: INSTALL.txt lacks the install folder, the log or the silent install"; exit 1; }
grep -q 'GCC Runtime Library Exception' "$pkg/licenses/gcc-runtime.txt" || {
  echo "error: no runtime library exception in the GCC notice"; exit 1; }
grep -q 'winpthreads' "$pkg/licenses/mingw-w64-runtime.txt" || {
  echo "error: no winpthreads licence in the mingw-w64 notice"; exit 1; }
scripts/check-windows-imports.sh "$pkg"

echo "=== package: the unpacked module under Wine"
cmake --build "$build" --target kromvale-host kromvale-make-sample >/dev/null
# wine-env.sh gives Wine a home of its own; the second build wants the real
# one back (its compiler cache lives there).
home="$HOME"
# Its helpers answer with a status of their own when a server is up already.
set +e
# shellcheck source=scripts/wine-env.sh
. scripts/wine-env.sh "$build/wine"
set -e
win() { printf 'Z:%s' "$1"; }
wine_run() { cmake/wine-run.sh "$@" </dev/null | tr -d '\r'; }
wine_run "$build/tools/kromvale-make-sample.exe" --chart "$(win "$work/chart.pam")" --width 32 --height 20 \
  --cube "$(win "$work/grade.cube")" --cube-size 9 >/dev/null
out="$(wine_run "$build/tools/kromvale-host.exe" --module "$(win "$pkg/Kromvale.aex")" --about \
  --cube "$(win "$work/grade.cube")" --in "$(win "$work/chart.pam")" --out "$(win "$work/graded.pam")")" || {
  kv_wine_stop; echo "error: the packaged module does not run: $out"; exit 1; }
kv_wine_stop
export HOME="$home"
renders() { grep -q 'registered: name "Kromvale"' <<<"$1" && grep -q 'render: ARGB8 32x20' <<<"$1"; }
renders "$out" || { echo "error: the packaged module did not register and render: $out"; exit 1; }
echo "loads, registers and renders from the unpacked package"

echo "=== installer: its tables"
started="$(date +%s)"
property() { msiinfo export "$1" Property | tr -d '\r' | awk -F '\t' -v p="$2" '$1 == p { print $2 }'; }
msi_version="${name#Kromvale-}" && msi_version="${msi_version%-win64}" && msi_version="${msi_version%-modified}"
[ "$(property "$msi" ProductVersion)" = "$msi_version" ] && [ "$(property "$msi" ALLUSERS)" = 1 ] || {
  echo "error: the installer is not a per-machine package of version $msi_version"; exit 1; }
msiinfo suminfo "$msi" | grep '^Template: x64;1033$' >/dev/null || { echo "error: the installer is not a 64-bit package"; exit 1; }
# Wine's msiexec shows no launch condition's message in a silent run, nor
# logs it: the refusal below proves the condition, this its message.
msiinfo export "$msi" LaunchCondition | grep 'A newer version of Kromvale is already installed' >/dev/null || {
  echo "error: the installer does not say why it refuses a downgrade"; exit 1; }
! osslsigncode verify -in "$msi" >/dev/null 2>&1 || { echo "error: an unsigned build is signed"; exit 1; }
echo "per-machine, 64-bit, version $msi_version, says why it refuses a downgrade, unsigned"

echo "=== signing: a throwaway certificate, both signatures verified"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Kromvale test signing" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/sign.key" -out "$work/sign.crt" 2>/dev/null
openssl pkcs12 -export -inkey "$work/sign.key" -in "$work/sign.crt" -out "$work/sign.pfx" -passout pass:kv-test
signed_build() {  # DIST: the zip's and the installer's paths
  KV_SIGN_PFX="$work/sign.pfx" KV_SIGN_PASS=kv-test KV_SIGN_TIMESTAMP_URL='' \
    scripts/package.sh --build "$build" --dist "$1" | tail -n 2
}
built="$(signed_build "$work/signed")"
{ read -r signed_zip; read -r signed_msi; } <<<"$built"
python3 -m zipfile -e "$signed_zip" "$work/signed/zip"
msiextract -C "$work/signed/msi" "$signed_msi" >/dev/null
signed_aex="$work/signed/msi/Adobe/Common/Plug-ins/7.0/MediaCore/Kromvale/Kromvale.aex"
verify() {  # FILE WHAT
  # A self-signed certificate is its own root: verify against it (-CAfile),
  # the system's roots do not know it.
  osslsigncode verify -CAfile "$work/sign.crt" -in "$1" >"$work/verify.log" 2>&1 || {
    cat "$work/verify.log"; echo "error: $2: the signature does not verify"; exit 1; }
}
verify "$signed_msi" "the signed installer"
verify "$work/signed/zip/$name/Kromvale.aex" "the module in the signed zip"
verify "$signed_aex" "the module in the signed installer"
cmp "$signed_aex" "$work/signed/zip/$name/Kromvale.aex"
osslsigncode remove-signature -in "$signed_aex" -out "$work/signed/unsigned.aex" >/dev/null
cmp "$work/signed/unsigned.aex" "$pkg/Kromvale.aex" || {
  echo "error: without its signature the signed module is not the unsigned one"; exit 1; }
built="$(signed_build "$work/signed-again")"
{ read -r zip_again; read -r msi_again; } <<<"$built"
cmp "$signed_zip" "$zip_again" && cmp "$signed_msi" "$msi_again" || {
  echo "error: two signed builds of the same tree differ"; exit 1; }
echo "module and installer verify; unsigned again, the module is the unsigned build's; signed twice, the same bytes"

echo "=== installer: under Wine's msiexec in a fresh prefix"
# An older release to upgrade from: the unstripped module, so that the checks
# can tell which one is left, packaged as an older version.
old_version=0.0.1.0
[ "$(printf '%s\n' "$msi_version" "$old_version" | sort -V | head -n 1)" = "$old_version" ] &&
  [ "$msi_version" != "$old_version" ] || { echo "error: $old_version is not older than $msi_version"; exit 1; }
mkdir -p "$work/old"
cp -r "$pkg/NOTICES.txt" "$pkg/licenses" "$work/old/"
cp "$build/native/src/effect/Kromvale.aex" "$work/old/Kromvale.aex"
packaging/make-msi.sh "$old_version" "$work/old" 315532800 "$work/old.msi"

set +e
# shellcheck source=scripts/wine-env.sh
. scripts/wine-env.sh "$work/installer-wine"
set -e
drive_c="$WINEPREFIX/drive_c"
folder='C:\Program Files\Adobe\Common\Plug-ins\7.0\MediaCore\Kromvale\'
installed="$drive_c/Program Files/Adobe/Common/Plug-ins/7.0/MediaCore/Kromvale"
appdata="users/$USER/AppData/Roaming/Kromvale"
fail() { kv_wine_stop; export HOME="$home"; echo "error: $*"; exit 1; }
winpath() { local p; p="$(win "$1")"; printf '%s' "${p//\//\\}"; }
# Wine hands a Windows exit code to Linux modulo 256 (1603 reads 67): cmd's
# ERRORLEVEL has all of it.
printf '@msiexec %%*\r\n@echo msiexec-exit=%%ERRORLEVEL%%\r\n' >"$work/msiexec.cmd"
runs=0
msiexec_expect() {  # EXIT WHAT ARG...: a silent msiexec run, with a log, that must exit with EXIT
  local expected="$1" what="$2" log out code
  shift 2
  runs=$((runs + 1))
  log="$work/msiexec-$runs.log"
  # cmd itself exits with that code too (mod 256): the line above is the check.
  out="$( { wine cmd /c "$(winpath "$work/msiexec.cmd")" "$@" /qn /l*v "$(winpath "$log")" </dev/null 2>&1 || true; } |
    tr -d '\r')"
  code="$(sed -n 's/^msiexec-exit=//p' <<<"$out")"
  [ "$code" = "$expected" ] || { tail -n 20 "$log" 2>/dev/null; fail "$what: msiexec exits with ${code:-no code}, not $expected"; }
}
arp=()  # the Apps & Features entry named Kromvale: its key, then NAME=VALUE pairs
read_arp() {
  local all keys
  all="$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s </dev/null 2>/dev/null |
    tr -d '\r' | awk -F '    ' '/^HKEY/ { key = $0; next } NF >= 3 { print key "\t" $2 "\t" $4 }')"
  keys="$(awk -F '\t' '$2 == "DisplayName" && $3 ~ /^Kromvale/ { print $1 }' <<<"$all")"
  arp=()
  [ -n "$keys" ] || return 0
  [ "$(wc -l <<<"$keys")" -eq 1 ] || fail "$1: more than one Apps & Features entry: $keys"
  mapfile -t arp < <(awk -F '\t' -v k="$keys" 'BEGIN { print k } $1 == k { print $2 "=" $3 }' <<<"$all")
}
expect_installed() {  # PACKAGE MODULE WHAT: one module, MODULE, and PACKAGE's Apps & Features entry
  local modules value expected
  modules="$(cd "$drive_c" && find . -iname '*.aex')"
  [ "$modules" = "./${installed#"$drive_c/"}/Kromvale.aex" ] || fail "$3: the modules installed are: $modules"
  cmp -s "$installed/Kromvale.aex" "$2" || fail "$3: the installed module is not the package's"
  read_arp "$3"
  [ "${#arp[@]}" -gt 0 ] || fail "$3: no Apps & Features entry"
  # Wine records ARPSIZE as Size and leaves EstimatedSize 0; Windows computes
  # EstimatedSize itself.
  for value in "DisplayName=$(property "$1" ProductName)" "DisplayVersion=$(property "$1" ProductVersion)" \
      "Publisher=Kromvale" "InstallLocation=$folder" "Size=$(property "$1" ARPSIZE)"; do
    printf '%s\n' "${arp[@]}" | grep -xF "$value" >/dev/null || fail "$3: the Apps & Features entry lacks $value: ${arp[*]}"
  done
}
snapshot() { (cd "$drive_c" && find . | LC_ALL=C sort); }
expect_clean() {  # WHAT: nothing of ours is left but the user's files
  local left
  read_arp "$1"
  [ "${#arp[@]}" -eq 0 ] || fail "$1: the Apps & Features entry is left: ${arp[*]}"
  # Wine makes the system's installer cache folder (always there on Windows)
  # on its first install; what goes into it must go.
  left="$(comm -13 <(printf '%s\n' "$before") <(snapshot) | grep -vx "\./windows/Installer" |
    grep -v "^\./$appdata\(/\|\$\)" || true)"
  [ -z "$left" ] || fail "$1: left behind: $left"
  [ -f "$drive_c/$appdata/effect.log" ] && [ -f "$drive_c/$appdata/lut-folder.txt" ] ||
    fail "$1: the user's files in %APPDATA%\\Kromvale are gone"
}

before="$(snapshot)"
msiexec_expect 0 "a fresh install" /i "$(winpath "$msi")"
expect_installed "$msi" "$pkg/Kromvale.aex" "a fresh install"
out="$(wine_run "$build/tools/kromvale-host.exe" --module "${folder}Kromvale.aex" --about \
  --cube "$(win "$work/grade.cube")" --in "$(win "$work/chart.pam")" --out "$(win "$work/installed.pam")")" ||
  fail "the installed module does not run: $out"
renders "$out" || fail "the installed module did not register and render: $out"
[ -f "$drive_c/$appdata/effect.log" ] || fail "the installed module wrote no log to %APPDATA%\\Kromvale"
echo "C:\\LUTs" >"$drive_c/$appdata/lut-folder.txt"  # as the panel writes it
echo "a silent install: the module at $folder, the Apps & Features entry, renders"

rm "$installed/Kromvale.aex"
msiexec_expect 0 "the same package again" /i "$(winpath "$msi")"
expect_installed "$msi" "$pkg/Kromvale.aex" "a repair"
msiexec_expect 1603 "an older version over a newer one" /i "$(winpath "$work/old.msi")"
expect_installed "$msi" "$pkg/Kromvale.aex" "a refused downgrade"
msiexec_expect 0 "an uninstall" /x "$(winpath "$msi")"
expect_clean "an uninstall"
echo "the same version repairs, an older one is refused (1603), an uninstall leaves only %APPDATA%\\Kromvale"

msiexec_expect 0 "an older version" /i "$(winpath "$work/old.msi")"
expect_installed "$work/old.msi" "$work/old/Kromvale.aex" "an older version"
msiexec_expect 0 "an upgrade" /i "$(winpath "$msi")"
expect_installed "$msi" "$pkg/Kromvale.aex" "an upgrade"
# The signed build is another package of the same version: it replaces the
# unsigned one in place.
msiexec_expect 0 "the signed build over the unsigned one" /i "$(winpath "$signed_msi")"
expect_installed "$signed_msi" "$signed_aex" "the signed build over the unsigned one"
# Uninstall as Apps & Features does, with the entry's own command.
uninstall="$(printf '%s\n' "${arp[@]}" | sed -n 's/^UninstallString=MsiExec.exe //p')"
[ -n "$uninstall" ] || fail "the Apps & Features entry has no uninstall command: ${arp[*]}"
msiexec_expect 0 "the Apps & Features uninstall" "$uninstall"
expect_clean "the Apps & Features uninstall"
kv_wine_stop
export HOME="$home"
grep -il kromvale "$WINEPREFIX"/*.reg && { echo "error: the registry keeps the names above"; exit 1; }
echo "$old_version upgrades to $msi_version, and that to its signed build, in place, one module left each time;"
echo "uninstalled with its Apps & Features command"
echo "the installer's and the signing checks: $(($(date +%s) - started)) s, $runs msiexec runs under Wine"

echo "=== package: a second build from scratch in another folder"
built="$(scripts/package.sh --build "$work/second-build" --dist "$work/second" | tail -n 2)"
{ read -r second; read -r second_msi; } <<<"$built"
cmp "$msi" "$second_msi" || { echo "error: two builds of the same commit give different installers"; exit 1; }
if ! cmp "$zip" "$second"; then
  echo "error: two builds of the same commit differ"
  python3 -m zipfile -e "$second" "$work/second-unpacked"
  (cd "$work/second-unpacked/$name" && sha256sum -c "$pkg/SHA256SUMS" || true)
  exit 1
fi
echo "reproducible: $(sha256sum "$zip" | cut -d' ' -f1) (zip), $(sha256sum "$msi" | cut -d' ' -f1) (installer)"
