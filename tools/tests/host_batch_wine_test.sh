#!/usr/bin/env bash
# kromvale-host.exe renders a numbered PAM sequence through Kromvale.aex under
# Wine: one frame is unreadable and is skipped (status 3), a second run
# replaces the first run's outputs, frames take After Effects' smart render
# with --depth, and an output folder that is the input folder is refused.
# Usage: host_batch_wine_test.sh WINE_RUN HOST_EXE SAMPLE_EXE MODULE
# Needs the environment of scripts/wine-env.sh (WINEPREFIX, USER).
set -euo pipefail
wine_run="$1" host="$2" sample="$3" module="$4"
: "${WINEPREFIX:?source scripts/wine-env.sh first}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
win() { printf 'Z:%s' "$1"; }
run() { "$wine_run" "$@" </dev/null | tr -d '\r'; }

mkdir "$work/shots"
for n in 1 2 4; do
  run "$sample" --chart "$(win "$work/shots/f.000$n.pam")" --width 40 --height $((20 + n)) --depth 8 \
    --cube "$(win "$work/warm.cube")" --cube-size 9 >/dev/null
done
printf 'P7\nWIDTH 4\nHEIGHT 4\nDEPTH 4\nMAXVAL 255\nENDHDR\ncut' >"$work/shots/f.0003.pam"

batch() {
  set +e
  out="$(run "$host" --module "$(win "$module")" --cube "$(win "$work/warm.cube")" --jobs 2 "$@" 2>&1)"
  status=$?
  set -e
}

for round in 1 2; do
  batch --in "$(win "$work/shots/f.%04d.pam")" --out "$(win "$work/graded/g.####.pam")"
  [ "$status" -eq 3 ] || { echo "round $round: status $status, expected 3: $out"; exit 1; }
  grep -q 'skipped .*f.0003.pam: PAM picture is truncated' <<<"$out" || { echo "no skip report: $out"; exit 1; }
  grep -q 'summary: 3 frames, 1 skipped, 0 failed' <<<"$out" || { echo "no summary: $out"; exit 1; }
  listing="$(cd "$work/graded" && ls -A | tr '\n' ' ')"
  [ "$listing" = "g.0001.pam g.0002.pam g.0004.pam " ] || { echo "round $round: outputs $listing"; exit 1; }
done
head -c 2 "$work/graded/g.0004.pam" | grep -q P7 || { echo "output is no picture"; exit 1; }
cmp -s "$work/shots/f.0004.pam" "$work/graded/g.0004.pam" && { echo "frame 4 was not graded"; exit 1; }

batch --depth 16 --in "$(win "$work/shots/f.%04d.pam")" --out "$(win "$work/deep/d.####.pam")"
[ "$status" -eq 3 ] || { echo "--depth 16: status $status, expected 3: $out"; exit 1; }
grep -q 'paths: ARGB16 3' <<<"$out" || { echo "no 16-bit smart renders: $out"; exit 1; }
head -c 64 "$work/deep/d.0004.pam" | grep -q 'MAXVAL 65535' || { echo "a 16-bit frame is no 16-bit picture"; exit 1; }

before="$(cksum <"$work/shots/f.0001.pam")"
batch --in "$(win "$work/shots")" --out "$(win "$work/shots")"
[ "$status" -eq 1 ] || { echo "same folder: status $status: $out"; exit 1; }
grep -q 'refusing to overwrite the input' <<<"$out" || { echo "no refusal: $out"; exit 1; }
[ "$(cksum <"$work/shots/f.0001.pam")" = "$before" ] || { echo "an input was changed"; exit 1; }
echo "ok: batch under Wine, skip, rerun and refusal"
