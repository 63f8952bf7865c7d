#!/usr/bin/env bash
# kromvale-host.exe against Kromvale.aex under Wine: the sample picture (PAM:
# the Windows tools have no PNG library) is rendered on the After Effects
# 8-bit and Premiere float paths and through After Effects' smart render at 8
# and 16 bits, a project is saved and loaded again, and the module's log must
# appear in the Wine user's roaming folder.
# Usage: host_wine_test.sh WINE_RUN HOST_EXE SAMPLE_EXE MODULE
# Needs the environment of scripts/wine-env.sh (WINEPREFIX, USER).
set -euo pipefail
wine_run="$1" host="$2" sample="$3" module="$4"
: "${WINEPREFIX:?source scripts/wine-env.sh first}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
win() { printf 'Z:%s' "$1"; }
run() { "$wine_run" "$@" </dev/null | tr -d '\r'; }

log="$WINEPREFIX/drive_c/users/${USER}/AppData/Roaming/Kromvale/effect.log"
before=0
[ -f "$log" ] && before="$(wc -c <"$log")"

run "$sample" --chart "$(win "$work/chart.pam")" --width 48 --height 30 --depth 16 \
  --cube "$(win "$work/warm.cube")" --cube-size 9 >/dev/null

out="$(run "$host" --module "$(win "$module")" --host ae --cube "$(win "$work/warm.cube")" --print \
  --in "$(win "$work/chart.pam")" --out "$(win "$work/ae.pam")" --save-project "$(win "$work/p.kvproj")")"
grep -q 'registered: name "Kromvale"' <<<"$out" || { echo "no registration: $out"; exit 1; }
grep -q 'label: "warm.cube"' <<<"$out" || { echo "no label: $out"; exit 1; }
grep -q 'scan of the printed text: equal' <<<"$out" || { echo "print/scan: $out"; exit 1; }

out="$(run "$host" --module "$(win "$module")" --host pr --format 32f --load-project "$(win "$work/p.kvproj")" \
  --in "$(win "$work/chart.pam")" --out "$(win "$work/pr.pam")" --save-project "$(win "$work/q.kvproj")")"
grep -q 'render: BGRA32f 48x30' <<<"$out" || { echo "no float render: $out"; exit 1; }
cmp "$work/p.kvproj" "$work/q.kvproj" || { echo "project changed on the way through"; exit 1; }
head -c 2 "$work/ae.pam" | grep -q P7 && head -c 2 "$work/pr.pam" | grep -q P7 || { echo "no output pictures"; exit 1; }
cmp -s "$work/chart.pam" "$work/pr.pam" && { echo "the float render left the picture unchanged"; exit 1; }

# Smart render: at 8 bits the same bytes as RENDER, at 16 bits a 16-bit
# picture; Premiere has no --depth.
out="$(run "$host" --module "$(win "$module")" --depth 8 --cube "$(win "$work/warm.cube")" \
  --in "$(win "$work/chart.pam")" --out "$(win "$work/ae8.pam")")"
grep -q 'render: ARGB8 48x30' <<<"$out" || { echo "no 8-bit smart render: $out"; exit 1; }
cmp "$work/ae.pam" "$work/ae8.pam" || { echo "8-bit smart render differs from RENDER"; exit 1; }
out="$(run "$host" --module "$(win "$module")" --depth 16 --load-project "$(win "$work/p.kvproj")" \
  --in "$(win "$work/chart.pam")" --out "$(win "$work/ae16.pam")")"
grep -q 'render: ARGB16 48x30' <<<"$out" || { echo "no 16-bit smart render: $out"; exit 1; }
head -c 64 "$work/ae16.pam" | grep -q 'MAXVAL 65535' || { echo "the 16-bit render is no 16-bit picture"; exit 1; }
cmp -s "$work/chart.pam" "$work/ae16.pam" && { echo "the 16-bit render left the picture unchanged"; exit 1; }
set +e
out="$(run "$host" --module "$(win "$module")" --host pr --depth 16 2>&1)"
status=$?
set -e
[ "$status" -eq 2 ] && grep -q -- '--depth is After Effects' <<<"$out" || { echo "--depth with pr: $status $out"; exit 1; }

[ -f "$log" ] || { echo "no effect.log at $log"; exit 1; }
after="$(wc -c <"$log")"
[ "$after" -gt "$before" ] || { echo "effect.log did not grow"; exit 1; }
tail -c "+$((before + 1))" "$log" | tr -d '\r' | grep -q 'GlobalSetup build 12 host=PrMr' \
  || { echo "effect.log lacks the Premiere setup line"; exit 1; }
echo "ok: renders, smart renders, project round trip and $log"
