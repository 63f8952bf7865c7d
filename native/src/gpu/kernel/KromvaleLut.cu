/* KromvaleLut, CUDA. Its CPU twins are kv::sampleTetra and kv::probeColour in
   native/src/lut_engine; the OpenCL text KromvaleLut.cl computes the same
   maths from the same body. The module carries the PTX made from this file
   by scripts/make-ptx.sh (nvcc -ptx -arch=compute_75, .target sm_75).

   Floating point in the PTX: the weighted sums and the blend are fused
   multiply-adds, the cell position is an unfused product, division and the
   pattern's reciprocal are IEEE round-to-nearest (nvcc's defaults -fmad=true,
   -prec-div=true, -ftz=false). One thread per pixel; src and dst may alias,
   so only the LUT and the 1D table are read through the read-only path.
   KromvaleLutShaped is the same kernel for LUTs with a 1D stage
   (kv::SampleLut): KromvaleLut's parameters, then the stage's.

   KromvaleLutSteps runs a process list's steps instead of a cube
   (kv::ApplyProcessSteps): KromvaleLut's parameters, then the step records,
   their count and their tables (read through the read-only path too). The
   step body is left to nvcc's default contraction (-fmad=true): its
   products and sums may be fused, so the steps lie within a derived bound
   of the processor's (native/tests/gpu/StepParityBound.h) rather than on
   its bits; its divisions stay IEEE. Built with -I native/src, for the
   step body's files under lut_engine/process. */
#include "KernelCompatCuda.h"
#include "KromvaleLutBody.h"
#include "KromvaleLutStepsBody.h"
#include "KromvaleLutEntry.h"

__device__ __forceinline__ KvPixel kvLoadPixel(const void* frame, long long i, int is16f) {
    KvPixel p;
    if (is16f) {
        const __half* h = static_cast<const __half*>(frame) + 4 * i;
        p.b = __half2float(h[0]);
        p.g = __half2float(h[1]);
        p.r = __half2float(h[2]);
        p.a = __half2float(h[3]);
    } else {
        const float4 v = static_cast<const float4*>(frame)[i];
        p.b = v.x;
        p.g = v.y;
        p.r = v.z;
        p.a = v.w;
    }
    return p;
}

__device__ __forceinline__ void kvStorePixel(void* frame, long long i, int is16f, KvPixel p) {
    if (is16f) {
        __half* h = static_cast<__half*>(frame) + 4 * i;
        h[0] = __float2half_rn(p.b);
        h[1] = __float2half_rn(p.g);
        h[2] = __float2half_rn(p.r);
        h[3] = __float2half_rn(p.a);
    } else {
        static_cast<float4*>(frame)[i] = make_float4(p.b, p.g, p.r, p.a);
    }
}

/* The parameters every entry starts with, in their order (gpu/KernelArgs.h
   sets them by position); the entries' own follow. */
#define KV_CUBE_ENTRY_PARAMS                                                                \
    const void* src, int srcPitch, void* dst, int dstPitch, int is16f, int width, int height,   \
    const float* __restrict__ lut, int size, float dminR, float dminG, float dminB,             \
    float dmaxR, float dmaxG, float dmaxB, float amount, int probe, int probeCols,              \
    int probeRows, int probeX0, int probeY0, int probeX1, int probeY1

extern "C" __global__ void KromvaleLut(KV_CUBE_ENTRY_PARAMS) {
    KV_EACH_PIXEL(kvLutPixel(p, lut, size, dminR, dminG, dminB, dmaxR, dmaxG, dmaxB, amount));
}

extern "C" __global__ void KromvaleLutShaped(KV_CUBE_ENTRY_PARAMS,
                                             const float* __restrict__ shaper, int shaperSize,
                                             float sminR, float sminG, float sminB, float smaxR,
                                             float smaxG, float smaxB) {
    KV_EACH_PIXEL(kvShapedLutPixel(p, lut, size, dminR, dminG, dminB, dmaxR, dmaxG, dmaxB, amount,
                                   shaper, shaperSize, sminR, sminG, sminB, smaxR, smaxG, smaxB));
}

/* The pattern, when asked for, is drawn as by the other entries; `lut` is
   bound but never read. */
extern "C" __global__ void KromvaleLutSteps(KV_CUBE_ENTRY_PARAMS, const KvStep* __restrict__ steps,
                                            int stepCount, const float* __restrict__ tables) {
    KV_EACH_PIXEL(kvStepsPixel(p, steps, stepCount, tables, amount));
}
