// AVX2 rows for process lists, through the very step body the scalar rows
// run (process/StepBody.h on AVX2 lanes), so they give the scalar rows'
// bits: each pixel meets the same operations in the same order, whatever
// order the pixels are taken in.
//
// A row is taken a chunk at a time: its pixels' R, G and B into three
// arrays, then each step over the whole chunk, eight pixels at a time (so
// that a step's kind and style are decided once per chunk, not per pixel,
// and the compiler sees them as constants), then the blend and the writes.
// Float pixels whose channel tables are permutations move with shuffles,
// eight at a time; every other pixel goes through the scalar rows' own
// channel reads and writes, so that it reads and rounds exactly as there.

#include "lut_engine/simd/LutRowsAvx2.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "lut_engine/FrameView.h"
#include "lut_engine/LutSampling.h"
#include "lut_engine/PixelChannels.h"
#include "lut_engine/process/PreparedSteps.h"
#include "lut_engine/simd/Avx2Lanes.h"
#include "lut_engine/simd/ChannelLanesAvx2.h"

namespace kv::avx2 {
#include "lut_engine/process/StepMath.h"
#include "lut_engine/process/StepBody.h"
}  // namespace kv::avx2

namespace kv {

namespace {

using avx2::F8;

constexpr int32_t kLanes = 8;
constexpr int32_t kChunk = 256;  // pixels: three channels of them fit the first-level cache twice over
constexpr int32_t kChunkBlocks = kChunk / kLanes;

// R, G and B of a chunk's pixels, eight to a vector: as read (kept for the
// blend) and as the steps so far made them.
struct Chunk {
    alignas(32) float in[3][kChunk];
    alignas(32) float work[3][kChunk];
};

// Runs `body(c)` on every block of eight of the chunk's working channels.
template <class Body>
KV_AVX2_INLINE void EachBlock(Chunk& chunk, int32_t blocks, Body&& body) {
    for (int32_t b = 0; b < blocks; ++b) {
        F8 c[3];
        for (int k = 0; k < 3; ++k) c[k] = F8(_mm256_load_ps(chunk.work[k] + kLanes * b));
        body(c);
        for (int k = 0; k < 3; ++k) _mm256_store_ps(chunk.work[k] + kLanes * b, c[k].v);
    }
}

// One step over the chunk, its kind and style spelled out as constants in
// each call so that the body's choices fold away.
KV_AVX2_INLINE void StepOverChunk(const KvStep& s, const float* tables, Chunk& chunk, int32_t blocks) {
    const KvStep* step = &s;
#define KV_EACH(call) EachBlock(chunk, blocks, [&](F8* c) KV_AVX2_LAMBDA { call; })
#define KV_PER_CHANNEL(fn, style) \
    KV_EACH(for (int k = 0; k < 3; ++k) c[k] = avx2::fn(style, step->p + 8 * k, c[k]))
    switch (s.kind) {
        case KV_STEP_MATRIX:
            KV_EACH(avx2::kvMatrixStep(step, c));
            return;
        case KV_STEP_RANGE:
            KV_EACH(avx2::kvRangeStep(step, c));
            return;
        case KV_STEP_LOG:
            switch (s.style) {
                case KV_LOG_LOG: KV_PER_CHANNEL(kvLogChannel, KV_LOG_LOG); return;
                case KV_LOG_ANTILOG: KV_PER_CHANNEL(kvLogChannel, KV_LOG_ANTILOG); return;
                case KV_LOG_LIN_TO_LOG: KV_PER_CHANNEL(kvLogChannel, KV_LOG_LIN_TO_LOG); return;
                case KV_LOG_LOG_TO_LIN: KV_PER_CHANNEL(kvLogChannel, KV_LOG_LOG_TO_LIN); return;
                case KV_LOG_CAMERA_LIN_TO_LOG: KV_PER_CHANNEL(kvLogChannel, KV_LOG_CAMERA_LIN_TO_LOG); return;
                default: KV_PER_CHANNEL(kvLogChannel, KV_LOG_CAMERA_LOG_TO_LIN); return;
            }
        case KV_STEP_EXPONENT:
            switch (s.style) {
                case KV_EXP_BASIC: KV_PER_CHANNEL(kvExponentChannel, KV_EXP_BASIC); return;
                case KV_EXP_MIRROR: KV_PER_CHANNEL(kvExponentChannel, KV_EXP_MIRROR); return;
                case KV_EXP_PASS_THRU: KV_PER_CHANNEL(kvExponentChannel, KV_EXP_PASS_THRU); return;
                case KV_EXP_MONCURVE_FWD: KV_PER_CHANNEL(kvExponentChannel, KV_EXP_MONCURVE_FWD); return;
                case KV_EXP_MONCURVE_REV: KV_PER_CHANNEL(kvExponentChannel, KV_EXP_MONCURVE_REV); return;
                case KV_EXP_MONCURVE_MIRROR_FWD:
                    KV_PER_CHANNEL(kvExponentChannel, KV_EXP_MONCURVE_MIRROR_FWD);
                    return;
                default: KV_PER_CHANNEL(kvExponentChannel, KV_EXP_MONCURVE_MIRROR_REV); return;
            }
        case KV_STEP_CDL:
            KV_EACH(avx2::kvCdlStep(step, c));
            return;
        case KV_STEP_LUT3D:
            KV_EACH(avx2::kvLut3DStep(step, tables, c));
            return;
        default:
            KV_EACH(avx2::kvLut1DStep(step, tables, c));
            return;
    }
#undef KV_PER_CHANNEL
#undef KV_EACH
}

// The blend with the input and CanonicalNaN, on every lane.
KV_AVX2_INLINE F8 BlendedOut(F8 out, F8 in, F8 amount) {
    const F8 blended = (out - in) * amount + in;
    return avx2::kvSelect(blended == blended, blended, avx2::kvAsFloat(avx2::kvInt(0x7FC00000)));
}

// Every step over the chunk's working channels; the writers blend.
KV_AVX2_INLINE void RunSteps(const PreparedSteps& steps, Chunk& chunk, int32_t pixels) {
    const int32_t blocks = (pixels + kLanes - 1) / kLanes;
    for (const KvStep& s : steps.records) StepOverChunk(s, steps.tables.data(), chunk, blocks);
}

// Block b's result channel k, blended with its input.
KV_AVX2_INLINE F8 BlendedBlock(const Chunk& chunk, int k, int32_t b, F8 amount) {
    return BlendedOut(F8(_mm256_load_ps(chunk.work[k] + kLanes * b)), F8(_mm256_load_ps(chunk.in[k] + kLanes * b)),
                      amount);
}

// --- pixels through the scalar channel reads and writes ----------------------

template <class Pixels>
KV_AVX2 void ProcessRows(const LutRowsParams& p, int32_t y0, int32_t y1) {
    using Channel = typename Pixels::Channel;
    constexpr std::ptrdiff_t kPixelBytes = 4 * sizeof(Channel);
    const PreparedSteps& steps = *p.lut->steps;
    Chunk chunk;
    Channel alpha[kChunk];
    for (int32_t y = y0; y < y1; ++y) {
        const unsigned char* src = RowPointer(p.src, y);
        unsigned char* dst = RowPointer(p.dst, y);
        for (int32_t x0 = 0; x0 < p.width; x0 += kChunk) {
            const int32_t count = p.width - x0 < kChunk ? p.width - x0 : kChunk;
            for (int32_t i = 0; i < count; ++i) {
                const unsigned char* sp = src + kPixelBytes * (x0 + i);
                chunk.in[0][i] = Pixels::Read(sp, p.srcChannels.r, p.scale);
                chunk.in[1][i] = Pixels::Read(sp, p.srcChannels.g, p.scale);
                chunk.in[2][i] = Pixels::Read(sp, p.srcChannels.b, p.scale);
                alpha[i] = LoadChannel<Channel>(sp, p.srcChannels.a);
            }
            for (int k = 0; k < 3; ++k) {
                for (int32_t i = count; i < (count + kLanes - 1) / kLanes * kLanes; ++i) chunk.in[k][i] = 0.0f;
                std::memcpy(chunk.work[k], chunk.in[k], sizeof chunk.in[k]);
            }
            RunSteps(steps, chunk, count);
            const F8 amount(p.amount);
            for (int32_t b = 0; b < (count + kLanes - 1) / kLanes; ++b) {
                for (int k = 0; k < 3; ++k) _mm256_store_ps(chunk.work[k] + kLanes * b, BlendedBlock(chunk, k, b, amount).v);
            }
            for (int32_t i = 0; i < count; ++i) {
                unsigned char* dp = dst + kPixelBytes * (x0 + i);
                Pixels::Write(dp, p.dstChannels.r, chunk.work[0][i]);
                Pixels::Write(dp, p.dstChannels.g, chunk.work[1][i]);
                Pixels::Write(dp, p.dstChannels.b, chunk.work[2][i]);
                StoreChannel(dp, p.dstChannels.a, alpha[i]);
            }
        }
    }
}

// --- float pixels moved with shuffles -------------------------------------------

// Rows this wide (a frame of 16 MB and more) are written past the caches:
// the frame is far larger than they are, so reading each output line in
// before overwriting it would only double the memory traffic. Narrower
// rows (tiles, small layers) are written the ordinary way, into the caches
// where the host will read them.
constexpr int32_t kStreamingWidth = 1024;

KV_AVX2_INLINE void StorePixels(unsigned char* to, __m256 v, bool streaming) {
    if (streaming && (reinterpret_cast<uintptr_t>(to) & 31) == 0) {
        _mm256_stream_ps(reinterpret_cast<float*>(to), v);
    } else {
        _mm256_storeu_ps(reinterpret_cast<float*>(to), v);
    }
}

// The source's alpha stays in `alphaPairs` until the write puts it back.
KV_AVX2 void ProcessRowsShuffled32f(const LutRowsParams& p, int32_t y0, int32_t y1) {
    const PreparedSteps& steps = *p.lut->steps;
    const bool streaming = p.width >= kStreamingWidth;
    const F8 amount(p.amount);
    const avx2::FloatShuffles f = avx2::FloatShufflesFor(p.srcChannels, p.dstChannels);
    Chunk chunk;
    alignas(32) float alphaPairs[kChunkBlocks][4][kLanes];
    alignas(32) unsigned char block[16 * kLanes];
    for (int32_t y = y0; y < y1; ++y) {
        const unsigned char* src = RowPointer(p.src, y);
        unsigned char* dst = RowPointer(p.dst, y);
        for (int32_t x0 = 0; x0 < p.width; x0 += kChunk) {
            const int32_t count = p.width - x0 < kChunk ? p.width - x0 : kChunk;
            const int32_t blocks = (count + kLanes - 1) / kLanes;
            for (int32_t b = 0; b < blocks; ++b) {
                const unsigned char* from = src + 16 * static_cast<std::ptrdiff_t>(x0 + kLanes * b);
                const int32_t here = count - kLanes * b < kLanes ? count - kLanes * b : kLanes;
                if (here < kLanes) {
                    // A row's last pixels come through a block on the stack:
                    // nothing past the row's end is read.
                    std::memset(block, 0, sizeof block);
                    std::memcpy(block, from, static_cast<size_t>(here) * 16);
                    from = block;
                }
                __m256 pairs[4];
                for (int k = 0; k < 4; ++k) {
                    pairs[k] = _mm256_loadu_ps(reinterpret_cast<const float*>(from + 32 * k));
                    if (!f.inOrder) pairs[k] = _mm256_permutevar_ps(pairs[k], f.gather);
                    _mm256_store_ps(alphaPairs[b][k], pairs[k]);
                }
                __m256 channels[4];
                avx2::PairsToChannels(pairs, channels);
                for (int k = 0; k < 3; ++k) {
                    _mm256_store_ps(chunk.in[k] + kLanes * b, channels[k]);
                    _mm256_store_ps(chunk.work[k] + kLanes * b, channels[k]);
                }
            }
            RunSteps(steps, chunk, count);
            for (int32_t b = 0; b < blocks; ++b) {
                __m256 channels[4];
                for (int k = 0; k < 3; ++k) channels[k] = BlendedBlock(chunk, k, b, amount).v;
                channels[3] = _mm256_setzero_ps();
                __m256 out[4];
                avx2::ChannelsToPairs(channels, out);
                unsigned char* to = dst + 16 * static_cast<std::ptrdiff_t>(x0 + kLanes * b);
                const int32_t here = count - kLanes * b < kLanes ? count - kLanes * b : kLanes;
                unsigned char* write = here < kLanes ? block : to;
                for (int k = 0; k < 4; ++k) {
                    __m256 withAlpha = _mm256_blend_ps(out[k], _mm256_load_ps(alphaPairs[b][k]), 0x88);
                    if (!f.outOrder) withAlpha = _mm256_permutevar_ps(withAlpha, f.scatter);
                    StorePixels(write + 32 * k, withAlpha, streaming && here == kLanes);
                }
                if (here < kLanes) std::memcpy(to, block, static_cast<size_t>(here) * 16);
            }
        }
    }
    // Streamed stores are weakly ordered: they must be done before the band
    // reports its rows finished.
    if (streaming) _mm_sfence();
}

}  // namespace

void ApplyProcessRows32fAvx2(const LutRowsParams& p, int32_t y0, int32_t y1) {
    if (IsChannelPermutation(p.srcChannels) && IsChannelPermutation(p.dstChannels)) {
        ProcessRowsShuffled32f(p, y0, y1);
    } else {
        ProcessRows<FloatChannels>(p, y0, y1);
    }
}

void ApplyProcessRows8Avx2(const LutRowsParams& p, int32_t y0, int32_t y1) { ProcessRows<ByteChannels>(p, y0, y1); }

void ApplyProcessRows16Avx2(const LutRowsParams& p, int32_t y0, int32_t y1) {
    ProcessRows<Code16Channels>(p, y0, y1);
}

}  // namespace kv
