#!/usr/bin/env bash
# Builds the release package and checks it the way a user meets it: its
# entries, its checksums, the module's imports, the module loaded from the
# unpacked package by kromvale-host.exe under Wine, and a second build of the
# same commit from scratch in another folder, which must give the same bytes.
# Also checks that a tree that differs from its commit is packaged as
# modified, and that this one's package says what it is.
#
# Usage: scripts/check-package.sh
# Uses the windows preset's build (build/windows) and its Wine prefix; the
# second build goes to a new temporary folder, removed at the end (only the
# module is built there).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
build="$root/build/windows"
# shellcheck source=packaging/package-lib.sh
. packaging/package-lib.sh
kv_install_missing wine wine64

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
zip="$(scripts/package.sh --build "$build" | tail -n 1)"
name="$(basename "$zip" .zip)"
echo "$zip ($(stat -c %s "$zip") bytes)"
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
grep -q 'MediaCore' "$pkg/INSTALL.txt" && grep -q 'effect.log' "$pkg/INSTALL.txt" || {
  echo "error: INSTALL.txt lacks the install folder or the log"; exit 1; }
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
grep -q 'registered: name "Kromvale"' <<<"$out" && grep -q 'render: ARGB8 32x20' <<<"$out" || {
  echo "error: the packaged module did not register and render: $out"; exit 1; }
echo "loads, registers and renders from the unpacked package"

echo "=== package: a second build from scratch in another folder"
second="$(scripts/package.sh --build "$work/second-build" --dist "$work/second" | tail -n 1)"
if ! cmp "$zip" "$second"; then
  echo "error: two builds of the same commit differ"
  python3 -m zipfile -e "$second" "$work/second-unpacked"
  (cd "$work/second-unpacked/$name" && sha256sum -c "$pkg/SHA256SUMS" || true)
  exit 1
fi
echo "reproducible: $(sha256sum "$zip" | cut -d' ' -f1)"
