#!/usr/bin/env bash
# Makes the user guide's pictures in docs/pictures from the project's demo
# (scripts/run-demo.sh): the sample chart before and after the demo grade (the
# After Effects 8-bit render, side by side at half size), and the calibration
# pattern with an enlarged corner. Run it again after a change
# to the demo or to the render; the same inputs give the same files.
# Usage: scripts/make-guide-pictures.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
demo="$root/build/guide-demo"
pictures="$root/docs/pictures"
rm -rf "$demo"
scripts/run-demo.sh "$demo" >/dev/null
rm -rf "$pictures"
mkdir -p "$pictures"

# png OUTPUT CONVERT-ARGUMENTS...: 8-bit PNG with no time or text chunks, so
# that a picture only changes when its pixels do.
png() {
  local out="$1"
  shift
  convert "$@" -depth 8 -strip -define png:exclude-chunks=date,time "PNG24:$out"
}

png "$pictures/before-after.png" \( "$demo/before.png" -resize 50% \) \( "$demo/after-ae-8bit.png" -resize 50% \) \
  -background white -splice 8x0 +append -chop 8x0
png "$pictures/calibration-pattern.png" "$demo/calibration-pattern.png"
# The top left corner, four times as large, pixel for pixel: each patch is
# one node's colour, red changing fastest.
png "$pictures/calibration-pattern-detail.png" "$demo/calibration-pattern.png" -crop 120x40+0+0 +repage \
  -filter point -resize 400%

ls -l "$pictures"
