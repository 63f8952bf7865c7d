#!/usr/bin/env bash
# kromvale-host.exe presses the buttons of Kromvale.aex under Wine without a
# display: the real file dialog returns at once as if cancelled, and Edit LUT
# writes its request into the Wine user's roaming folder.
# Usage: host_press_wine_test.sh WINE_RUN HOST_EXE MODULE
# Needs the environment of scripts/wine-env.sh (WINEPREFIX, USER).
set -euo pipefail
wine_run="$1" host="$2" module="$3"
: "${WINEPREFIX:?source scripts/wine-env.sh first}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
win() { printf 'Z:%s' "$1" | tr / '\\'; }
run() { "$wine_run" "$@" </dev/null 2>&1 | tr -d '\r'; }
fail() { echo "FAIL: $1"; printf '%s\n' "${2:-}"; exit 1; }

folder="$WINEPREFIX/drive_c/users/${USER}/AppData/Roaming/Kromvale"
{ printf '# Kromvale match 42\nLUT_3D_SIZE 2\n'
  for b in 0 1; do for g in 0 1; do for r in 0 1; do echo "$r $g $b"; done; done; done; } >"$work/night.grade.cube"
rm -f "$folder/edit-request.json"

out="$(run "$host" --module "$(win "$module")" --cube "$(win "$work/night.grade.cube")" --press change --press edit)"
grep -q 'press: "Change LUT" (index 3) -> err 0, out_flags 0x00000000' <<<"$out" || fail "change press" "$out"
grep -q 'edit request: {"id":42,"name":"night.grade","at":[0-9]\{13\}}\\n' <<<"$out" || fail "edit press" "$out"
[ "$(wc -c <"$folder/edit-request.json")" -eq 50 ] || fail "request is not 50 bytes" "$(cat "$folder/edit-request.json")"
tail -n 30 "$folder/effect.log" | tr -d '\r' >"$work/log"
grep -q '  LUT button: cancelled$' "$work/log" || fail "no cancel line" "$(cat "$work/log")"
grep -q '  Edit LUT: requested match 42 (night.grade)$' "$work/log" || fail "no request line" "$(cat "$work/log")"

set +e
out="$(run "$host" --module "$(win "$module")" --press change --answer 'C:\x.cube')"
status=$?
set -e
[ $status -ne 0 ] && grep -q 'takes no scripted dialog answers' <<<"$out" || fail "--answer accepted" "$out"
echo "ok: presses under Wine, request in $folder"
