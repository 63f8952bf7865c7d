#!/usr/bin/env bash
# Renders the project's sample picture through a warm film-style grade with
# the headless host, on the After Effects 8-bit path, through After Effects'
# smart render at 16 bits per channel and on the Premiere Pro float path, and
# draws the calibration pattern the panel measures.
# Usage: scripts/run-demo.sh [output-folder]      (default ./demo-out)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "${1:-demo-out}" && cd "${1:-demo-out}" && pwd)"
cd "$root"

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target kromvale kromvale-host kromvale-make-sample

build="$root/build/release"
host="$build/tools/kromvale-host"
module="$build/native/src/effect/libkromvale.so"
sample="$build/tools/kromvale-make-sample"

# The module writes effect.log into its own folder inside the user's data
# folder, which it expects to exist already.
data_home="${XDG_DATA_HOME:-$HOME/.local/share}"
mkdir -p "$data_home"

"$sample" --chart "$out/before.png" --width 640 --height 400 --depth 16 --cube "$out/warm-film.cube"

echo "--- After Effects, 8-bit"
"$host" --module "$module" --host ae --cube "$out/warm-film.cube" \
  --in "$out/before.png" --out "$out/after-ae-8bit.png" --save-project "$out/demo.kvproj" | tee "$out/host-ae.txt"
echo "--- After Effects, 16-bit smart render, LUT from the saved project"
"$host" --module "$module" --host ae --depth 16 --load-project "$out/demo.kvproj" \
  --in "$out/before.png" --out "$out/after-ae-16bit.png" | tee "$out/host-ae16.txt"
echo "--- Premiere Pro, 32-bit float, LUT from the saved project"
"$host" --module "$module" --host pr --format 32f --load-project "$out/demo.kvproj" \
  --in "$out/before.png" --out "$out/after-pr-float.png" | tee "$out/host-pr.txt"
echo "--- Calibration pattern (KVLUTP 17)"
"$host" --module "$module" --host pr --format 32f --pattern 17 \
  --in "$out/before.png" --out "$out/calibration-pattern.png" | tee "$out/host-pattern.txt"

log="$(sed -n 's/^log: //p' "$out/host-pattern.txt" | tail -n 1)"
echo
echo "Pictures and grade in $out:"
echo "  before.png               the sample chart (16-bit)"
echo "  after-ae-8bit.png        graded on the After Effects 8-bit path"
echo "  after-ae-16bit.png       graded through After Effects' smart render at 16 bits"
echo "  after-pr-float.png       graded on the Premiere Pro float path"
echo "  calibration-pattern.png  the pattern the panel measures"
echo "  warm-film.cube           the grade; demo.kvproj the saved project"
echo "The module's log: $log"
