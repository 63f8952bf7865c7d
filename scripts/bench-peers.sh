#!/usr/bin/env bash
# Our row operations beside two peers on the same 1920x1080 frame and the same
# grade (33 and 65 nodes), measured in one run: kromvale_bench (our scalar and
# AVX2 routines for ARGB8, BGRA8u, ARGB16, BGRA32f and ARGB32f through the
# band splitter on 1 and 2 threads, OpenColorIO's tetrahedral 3D LUT on one
# thread, and plain copies of the same frame bytes on 1 and 2 threads, the
# memory floor) and, where it is installed, ffmpeg's lut3d filter
# (tetrahedral; packed rgba and planar gbrpf32; 1 and 2 threads).
#
# Usage: scripts/bench-peers.sh [build folder]      (default build/release)
# The build needs the benchmarks (KV_BUILD_BENCH=ON, the release preset):
#   cmake --build --preset release --target kromvale_bench kromvale_bench_inputs
# KV_PEER_FRAMES sets how many frames ffmpeg runs (default 60);
# KV_BENCH_REPETITIONS (default 10) and KV_BENCH_MIN_TIME (seconds a
# repetition runs at least, default 0.1) shape kromvale_bench's run.
#
# Mpixel/s is given from wall time and from processor time (every thread of
# the process), medians of the repetitions. On a busy machine only the
# processor-time figures are trustworthy: with the kernel's per-session
# fairness, another session's build leaves our two threads one processor's
# worth of time between them. The repetitions of all benchmarks run
# interleaved in random order, so quiet and busy spells fall on all of them
# alike, and the two-thread gains are also given from each one's fastest
# repetition, the one least disturbed. The load average and
# the processor time the rest of the machine took during our run are printed.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
frames="${KV_PEER_FRAMES:-60}"
for exe in kromvale_bench kromvale_bench_inputs; do
  [ -x "$build/bench/$exe" ] || { echo "missing $build/bench/$exe: build it first" >&2; exit 1; }
done
have_ffmpeg=1
command -v ffmpeg >/dev/null || { have_ffmpeg=0; echo "ffmpeg not found: its columns stay empty" >&2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$build/bench/kromvale_bench_inputs" "$work"

# Processor ticks (all processors) busy and idle so far.
machine_ticks() { awk '/^cpu /{print $2 + $3 + $4 + $7 + $8 + $9, $5 + $6}' /proc/stat; }

load_before="$(cut -d' ' -f1-3 /proc/loadavg)"
read -r busy0 idle0 < <(machine_ticks)
echo "kromvale_bench ..." >&2
/usr/bin/time -f "%U %S %e" -o "$work/ours.time" \
  "$build/bench/kromvale_bench" --benchmark_filter='BM_SimdLutRows|BM_Ocio|BM_CopyFrame' \
  --benchmark_repetitions="${KV_BENCH_REPETITIONS:-10}" --benchmark_min_time="${KV_BENCH_MIN_TIME:-0.1}" \
  --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true --benchmark_format=json >"$work/ours.json" 2>/dev/null
read -r busy1 idle1 < <(machine_ticks)
load_after="$(cut -d' ' -f1-3 /proc/loadavg)"
read -r our_user our_sys our_wall <"$work/ours.time"

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
  [ "$have_ffmpeg" = 1 ] || break
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

ticks="$(getconf CLK_TCK)"
python3 - "$busy0" "$idle0" "$busy1" "$idle1" "$ticks" "$our_user" "$our_sys" "$our_wall" <<'PY'
import sys
b0, i0, b1, i1, hz = (int(v) for v in sys.argv[1:6])
user, system, wall = (float(v) for v in sys.argv[6:9])
busy, idle = (b1 - b0) / hz, (i1 - i0) / hz
ours = user + system
print(f"kromvale_bench ran {wall:.0f} s and used {ours:.0f} processor-seconds; the machine's processors were busy "
      f"{busy:.0f} s and idle {idle:.0f} s of {busy + idle:.0f}: the rest of the machine took {max(busy - ours, 0):.0f} s "
      f"({100 * max(busy - ours, 0) / max(busy + idle, 1e-9):.0f} % of all processor time)")
PY
echo "load average (1, 5, 15 min) before: $load_before; after: $load_after; $(nproc) processors"
echo

python3 - "$work/ours.json" "$work/ffmpeg.txt" "$frames" <<'PY'
import json, sys
ours_path, ff_path, frames = sys.argv[1], sys.argv[2], int(sys.argv[3])
pixels = 1920 * 1080
unit_s = {"ms": 1e-3, "us": 1e-6, "ns": 1e-9, "s": 1.0}
ours = {}  # (run name, "median" or "min") -> (wall s, processor s) per frame
for b in json.load(open(ours_path))["benchmarks"]:
    if b.get("aggregate_name") not in ("median", "min") or b.get("error_occurred"):
        continue
    scale = unit_s[b.get("time_unit", "ns")]
    ours[(b["run_name"], b["aggregate_name"])] = (b["real_time"] * scale, b["cpu_time"] * scale)

ff = {}
for line in open(ff_path):
    fmt, size, threads, u, s, r, bu, bs, br = line.split()
    wall = frames * pixels / max(float(r) - float(br), 1e-9) / 1e6
    cpu = frames * pixels / max(float(u) + float(s) - float(bu) - float(bs), 1e-9) / 1e6
    ff[(fmt, int(size), int(threads))] = (wall, cpu)

ROWS = {"argb8": "BM_SimdLutRows8<kv::kLayoutARGB>", "bgra8": "BM_SimdLutRows8<kv::kLayoutBGRA>",
        "argb16": "BM_SimdLutRows16_ARGB16", "bgra32f": "BM_SimdLutRows32f<kv::kLayoutBGRA>",
        "argb32f": "BM_SimdLutRows32f<kv::kLayoutARGB>"}
BYTES = {"argb8": 4, "bgra8": 4, "argb16": 8}
OCIO = {"argb8": "BM_Ocio8_RGBA8", "bgra8": "BM_Ocio8_RGBA8", "argb16": "BM_Ocio16_RGBA16"}
PEER = {"argb8": "rgba", "bgra8": "rgba"}

def mpix(t):
    return None if t is None else (pixels / t[0] / 1e6, pixels / t[1] / 1e6)

def times_at(kind, level, size, threads, agg="median"):
    return ours.get((f"{ROWS[kind]}/{level}/{size}/{threads}/process_time/real_time", agg))

def copy_at(bpp, threads, by_row, agg):
    return ours.get((f"BM_CopyFrame/{bpp}/{threads}/{by_row}/process_time/real_time", agg))

def fmt_pair(v):
    return "      n/a       " if v is None else f"{v[0]:7.1f} {v[1]:7.1f} "

print("Mpixel/s on 1920x1080, medians of the repetitions (wall / processor time of all threads);")
print("x OCIO and x ffmpeg: our AVX2 over the peer, processor time")
print(f"{'format':8} {'LUT':>4} {'thr':>3} | {'ours avx2':^16}| {'ours scalar':^16}| {'OpenColorIO':^16}| {'ffmpeg lut3d':^16}| x OCIO | x ffmpeg")
for kind in ROWS:
    for size in (33, 65):
        for threads in (1, 2):
            a = mpix(times_at(kind, 1, size, threads))
            s = mpix(times_at(kind, 0, size, threads))
            o = mpix(ours.get((f"{OCIO.get(kind, 'BM_Ocio32f_RGBA32f')}/{size}", "median"))) if threads == 1 else None
            f = ff.get((PEER.get(kind, "gbrpf32le"), size, threads))
            ro = f"{a[1] / o[1]:6.1f}" if a and o else "   -  "
            rf = f"{a[1] / f[1]:8.1f}" if a and f else "     -  "
            print(f"{kind:8} {size:>4} {threads:>3} | {fmt_pair(a)}| {fmt_pair(s)}| {fmt_pair(o)}| {fmt_pair(f)}| {ro} | {rf}")
print()
print("OpenColorIO runs packed RGBA (16 bits on its own 0..65535 scale); ffmpeg rgba for the 8-bit rows and")
print("planar gbrpf32 for the float rows.")
print()
print("Copy floor: the frame's bytes copied buffer to buffer; GB/s counts bytes read plus bytes written,")
print("from the fastest repetition (median in brackets)")
for bpp in (4, 8, 16):
    for by_row, how in ((0, "one memcpy per band"), (1, "one memcpy per row")):
        cells = []
        for threads in (1, 2):
            best, med = copy_at(bpp, threads, by_row, "min"), copy_at(bpp, threads, by_row, "median")
            rate = lambda t: 2 * bpp * pixels / t[0] / 1e9
            cells.append("n/a" if not (best and med) else
                         f"{threads} thr {rate(best):5.1f} GB/s {best[0] * 1e3:5.2f} ms ({rate(med):5.1f})")
        print(f"  {bpp:2} bytes/pixel, {how:20}: " + "; ".join(cells))
print()
print("AVX2 rows, two threads over one (wall): fastest repetitions (medians); processor time of two threads over")
print("one; frame time over the faster copy of the same bytes on as many threads, fastest repetitions")
for kind in ROWS:
    for size in (33, 65):
        one, two = times_at(kind, 1, size, 1, "min"), times_at(kind, 1, size, 2, "min")
        one_m, two_m = times_at(kind, 1, size, 1), times_at(kind, 1, size, 2)
        if not (one and two and one_m and two_m):
            continue
        bpp = BYTES.get(kind, 16)
        floor = lambda th: min((t[0] for t in (copy_at(bpp, th, 0, "min"), copy_at(bpp, th, 1, "min")) if t),
                               default=None)
        over = lambda t, c: f"{t / c:5.2f}x" if c else "  -  "
        print(f"  {kind:8} {size}: 2/1 thr {one[0] / two[0]:.2f} ({one_m[0] / two_m[0]:.2f});"
              f" processor 2/1 thr {two_m[1] / one_m[1]:.2f};"
              f" frame / copy: 1 thr {over(one[0], floor(1))}, 2 thr {over(two[0], floor(2))}")
for kind in ("argb8", "argb16", "argb32f"):
    a33, a65 = times_at(kind, 1, 33, 1), times_at(kind, 1, 65, 1)
    if a33 and a65:
        print(f"ours avx2 {kind}: 65^3 / 33^3 (processor time) = {a33[1] / a65[1]:.2f}")
PY
