#!/usr/bin/env bash
# Makes the user guide's pictures in docs/pictures from the project's demo
# (scripts/run-demo.sh): the sample chart before and after the demo grade (the
# After Effects 8-bit render, side by side at half size), the calibration
# pattern with an enlarged corner, a log-encoded chart before and after
# a log-to-display LUT with a shaper, baked by ociobakelut (package
# opencolorio-tools) from a small config written here, and a camera-log chart
# before and after a camera-log-to-display CLF process list that ociowrite
# writes from the same config. Run it again after a change
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

# A technical LUT: log to display, with a 1D shaper before the cube. The
# chart's display values are taken as 2.2-gamma light and encoded in a log2
# curve over 2^-8..2^8 ("log"); the LUT maps that log back to the display
# through a shaper log over 2^-7..2^4, the range the display keeps, which
# spends the cube's nodes where they count. The after picture is the
# effect's 16-bit smart render of the log chart through the picked LUT.
command -v ociobakelut >/dev/null || { echo "ociobakelut is missing (apt-get install opencolorio-tools)" >&2; exit 1; }
cat >"$demo/log.ocio" <<'OCIO'
ocio_profile_version: 2
roles:
  default: linear
  scene_linear: linear
displays:
  sRGB:
    - !<View> {name: Raw, colorspace: display}
colorspaces:
  - !<ColorSpace>
    name: linear
  - !<ColorSpace>
    name: log
    from_scene_reference: !<LogAffineTransform> {base: 2, log_side_slope: 0.0625, log_side_offset: 0.5, lin_side_offset: 0.00390625}
  - !<ColorSpace>
    name: shaper
    from_scene_reference: !<LogAffineTransform> {base: 2, log_side_slope: 0.0909091, log_side_offset: 0.636364, lin_side_offset: 0.0078125}
  - !<ColorSpace>
    name: display
    from_scene_reference: !<GroupTransform>
      children:
        - !<MatrixTransform> {matrix: [1.15, -0.1, -0.05, 0, -0.05, 1.1, -0.05, 0, -0.05, -0.1, 1.15, 0, 0, 0, 0, 1]}
        - !<ExponentTransform> {value: [0.454545, 0.454545, 0.454545, 1]}
OCIO
ociobakelut --iconfig "$demo/log.ocio" --inputspace log --shaperspace shaper --outputspace display \
  --shapersize 1024 --cubesize 33 --format resolve_cube "$demo/log-to-display.cube" 2>/dev/null
convert "$demo/before.png" -fx "0.5+log(pow(u,2.2)+0.00390625)/log(2)/16" -depth 16 "PNG48:$demo/log-chart.png"
build/release/tools/kromvale-host --module build/release/native/src/effect/libkromvale.so --host ae --depth 16 \
  --cube "$demo/log-to-display.cube" --in "$demo/log-chart.png" --out "$demo/log-chart-after.png" >/dev/null
png "$pictures/log-before-after.png" \( "$demo/log-chart.png" -resize 50% \) \
  \( "$demo/log-chart-after.png" -resize 50% \) -background white -splice 8x0 +append -chop 8x0

# A process list: camera log to display as CLF (a cameraLogToLin Log node,
# a gamut matrix, a display exponent), written by ociowrite from the config,
# as camera pipelines exchange it. The chart is encoded in the camera curve
# by the effect itself, through the inverse list (display to camera log);
# the after picture is the effect's 16-bit smart render of that chart
# through the camera-log-to-display list.
cat >>"$demo/log.ocio" <<'OCIO'
  - !<ColorSpace>
    name: camera log
    from_scene_reference: !<LogCameraTransform> {base: 10, log_side_slope: 0.24719, log_side_offset: 0.385537, lin_side_slope: 5.555556, lin_side_offset: 0.052272, lin_side_break: 0.010591}
OCIO
OCIO="$demo/log.ocio" ociowrite --colorspaces display "camera log" --file "$demo/display-to-camera-log.clf"
OCIO="$demo/log.ocio" ociowrite --colorspaces "camera log" display --file "$demo/camera-log-to-display.clf"
build/release/tools/kromvale-host --module build/release/native/src/effect/libkromvale.so --host ae --depth 16 \
  --cube "$demo/display-to-camera-log.clf" --in "$demo/before.png" --out "$demo/camera-log-chart.png" >/dev/null
build/release/tools/kromvale-host --module build/release/native/src/effect/libkromvale.so --host ae --depth 16 \
  --cube "$demo/camera-log-to-display.clf" --in "$demo/camera-log-chart.png" \
  --out "$demo/camera-log-chart-after.png" >/dev/null
png "$pictures/camera-log-before-after.png" \( "$demo/camera-log-chart.png" -resize 50% \) \
  \( "$demo/camera-log-chart-after.png" -resize 50% \) -background white -splice 8x0 +append -chop 8x0

ls -l "$pictures"
