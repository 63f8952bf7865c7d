#!/usr/bin/env bash
# Our row operations beside two peers on the same 1920x1080 frame and the same
# grade (33 and 65 nodes), measured in one run: kromvale_bench (our scalar and
# AVX2 routines through the band splitter on 1 and 2 threads, and
# OpenColorIO's tetrahedral 3D LUT on one thread) and ffmpeg's lut3d filter
# (tetrahedral; packed rgba and planar gbrpf32; 1 and 2 threads).
#
# Usage: scripts/bench-peers.sh [build folder]      (default build/release)
# The build needs the benchmarks (KV_BUILD_BENCH=ON, the release preset):
#   cmake --build --preset release --target kromvale_bench kromvale_bench_inputs
# KV_PEER_FRAMES sets how many frames ffmpeg runs (default 60).
#
# Mpixel/s is given from wall time and from processor time; on a busy machine
# only the processor-time figures of one-thread runs are trustworthy, and the
# two-thread gain needs a machine with two idle cores.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
frames="${KV_PEER_FRAMES:-60}"
for exe in kromvale_bench kromvale_bench_inputs; do
  [ -x "$build/bench/$exe" ] || { echo "missing $build/bench/$exe: build it first" >&2; exit 1; }
done
command -v ffmpeg >/dev/null || { echo "ffmpeg not found" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$build/bench/kromvale_bench_inputs" "$work"

echo "kromvale_bench ..." >&2
"$build/bench/kromvale_bench" --benchmark_filter='BM_SimdLutRows|BM_Ocio' --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true --benchmark_format=json >"$work/ours.json" 2>/dev/null

# One ffmpeg run: frames copies of one frame through lut3d (or, with size 0,
# without it, to measure what reading and looping cost). Prints "utime rtime".
run_ffmpeg() {
  local fmt="$1" file="$2" size="$3" threads="$4"
  local vf="loop=loop=$((frames - 1)):size=1:start=0"
  [ "$size" -gt 0 ] && vf="$vf,lut3d=file=$work/warm$size.cube:interp=tetrahedral"
  ffmpeg -hide_banner -nostdin -benchmark -threads "$threads" -filter_threads "$threads" \
    -f rawvideo -pix_fmt "$fmt" -s 1920x1080 -i "$work/$file" -vf "$vf" -f null - 2>&1 |
    sed -n 's/^bench: utime=\([0-9.]*\)s stime=\([0-9.]*\)s rtime=\([0-9.]*\)s.*/\1 \2 \3/p'
}

: >"$work/ffmpeg.txt"
for pair in "rgba frame.rgba" "gbrpf32le frame.gbrpf32"; do
  set -- $pair
  for threads in 1 2; do
    echo "ffmpeg $1 threads=$threads ..." >&2
    read -r bu bs br < <(run_ffmpeg "$1" "$2" 0 "$threads")
    for size in 33 65; do
      read -r u s r < <(run_ffmpeg "$1" "$2" "$size" "$threads")
      echo "$1 $size $threads $u $s $r $bu $bs $br" >>"$work/ffmpeg.txt"
    done
  done
done

python3 - "$work/ours.json" "$work/ffmpeg.txt" "$frames" <<'PY'
import json, re, sys
ours_path, ff_path, frames = sys.argv[1], sys.argv[2], int(sys.argv[3])
pixels = 1920 * 1080
ours = {}
for b in json.load(open(ours_path))["benchmarks"]:
    if b.get("aggregate_name") != "median" or b.get("error_occurred"):
        continue
    name = b["run_name"]
    scale = {"ms": 1e-3, "us": 1e-6, "ns": 1e-9, "s": 1.0}[b.get("time_unit", "ns")]
    wall = pixels / (b["real_time"] * scale) / 1e6
    cpu = pixels / (b["cpu_time"] * scale) / 1e6
    ours[name] = (wall, cpu)

ff = {}
for line in open(ff_path):
    fmt, size, threads, u, s, r, bu, bs, br = line.split()
    wall = frames * pixels / max(float(r) - float(br), 1e-9) / 1e6
    cpu = frames * pixels / max(float(u) + float(s) - float(bu) - float(bs), 1e-9) / 1e6
    ff[(fmt, int(size), int(threads))] = (wall, cpu)

def ours_at(kind, level, size, threads):
    name = {"argb8": "BM_SimdLutRows8<kv::kLayoutARGB>", "bgra8": "BM_SimdLutRows8<kv::kLayoutBGRA>",
            "float": "BM_SimdLutRows32f_BGRA32f"}[kind]
    v = ours.get(f"{name}/{level}/{size}/{threads}/real_time")
    # The benchmark's processor time counts the calling thread only.
    return v if v is None or threads == 1 else (v[0], None)

def ocio_at(kind, size):
    return ours.get(f"BM_Ocio{'8_RGBA8' if kind != 'float' else '32f_RGBA32f'}/{size}")

def fmt_pair(v):
    if v is None:
        return "      n/a       "
    return f"{v[0]:7.1f} " + ("   -    " if v[1] is None else f"{v[1]:7.1f} ")

print("Mpixel/s on 1920x1080 (wall / processor time), ratio = our AVX2 / peer (wall; processor time for 1 thread)")
print(f"{'format':8} {'LUT':>4} {'thr':>3} | {'ours avx2':^16}| {'ours scalar':^16}| {'OpenColorIO':^16}| {'ffmpeg lut3d':^16}| x OCIO | x ffmpeg")
for kind, peer in (("argb8", "rgba"), ("bgra8", "rgba"), ("float", "gbrpf32le")):
    for size in (33, 65):
        for threads in (1, 2):
            a = ours_at(kind, 1, size, threads)
            s = ours_at(kind, 0, size, threads)
            o = ocio_at(kind, size) if threads == 1 else None
            f = ff.get((peer, size, threads))
            pick = 1 if threads == 1 else 0
            ro = f"{a[pick] / o[pick]:6.1f}" if a and o else "   -  "
            rf = f"{a[pick] / f[pick]:8.1f}" if a and f else "     -  "
            print(f"{kind:8} {size:>4} {threads:>3} | {fmt_pair(a)}| {fmt_pair(s)}| {fmt_pair(o)}| {fmt_pair(f)}| {ro} | {rf}")
print()
print("ffmpeg runs rgba for the 8-bit rows and planar gbrpf32 for the float row; OpenColorIO runs packed RGBA.")
for kind in ("argb8", "float"):
    for size in (33, 65):
        one, two = ours_at(kind, 1, size, 1), ours_at(kind, 1, size, 2)
        if one and two:
            print(f"ours avx2 {kind} {size}: two threads / one thread (wall) = {two[0] / one[0]:.2f}")
for kind in ("argb8", "float"):
    a33, a65 = ours_at(kind, 1, 33, 1), ours_at(kind, 1, 65, 1)
    if a33 and a65:
        print(f"ours avx2 {kind}: 65^3 / 33^3 (processor time) = {a65[1] / a33[1]:.2f}")
PY
