/* KromvaleLut, OpenCL C 1.2. Its CPU twins are kv::sampleTetra and
   kv::probeColour in native/src/lut_engine, and the CUDA source KromvaleLut
   (KromvaleLut.cu) computes the same maths. Build with
   "-cl-single-precision-constant". One work-item per pixel; pixels are four
   float32 or four half components in B, G, R, A order; pitches count pixels.
   src and dst may be the same buffer: each work-item touches only its own
   pixel. KromvaleLutShaped is the same kernel for LUTs with a 1D stage
   (kv::SampleLut): KromvaleLut's arguments, then the stage's.
   KromvaleLutSteps runs a process list's steps instead of a cube
   (kv::ApplyProcessSteps): KromvaleLut's arguments, then the step records,
   their count and their tables. */
#include "KernelCompatOpenCl.h"
#include "KromvaleLutBody.h"
#include "KromvaleLutStepsBody.h"
#include "KromvaleLutEntry.h"

KvPixel kvLoadPixel(__global const float* frame, long i, int is16f) {
    float4 v = is16f ? vload_half4((size_t)i, (__global const half*)frame)
                     : vload4((size_t)i, frame);
    KvPixel p;
    p.b = v.x;
    p.g = v.y;
    p.r = v.z;
    p.a = v.w;
    return p;
}

void kvStorePixel(__global float* frame, long i, int is16f, KvPixel p) {
    float4 v = (float4)(p.b, p.g, p.r, p.a);
    if (is16f) {
        vstore_half4_rte(v, (size_t)i, (__global half*)frame);
    } else {
        vstore4(v, (size_t)i, frame);
    }
}

/* The parameters every entry starts with, in their order (gpu/KernelArgs.h
   sets them by position); the entries' own follow. */
#define KV_CUBE_ENTRY_PARAMS                                                                \
    __global const float* src, int srcPitch, __global float* dst, int dstPitch, int is16f,      \
    int width, int height, __global const float* lut, int size, float dminR, float dminG,       \
    float dminB, float dmaxR, float dmaxG, float dmaxB, float amount, int probe,                \
    int probeCols, int probeRows, int probeX0, int probeY0, int probeX1, int probeY1

__kernel void KromvaleLut(KV_CUBE_ENTRY_PARAMS) {
    KV_EACH_PIXEL(kvLutPixel(p, lut, size, dminR, dminG, dminB, dmaxR, dmaxG, dmaxB, amount));
}

__kernel void KromvaleLutShaped(KV_CUBE_ENTRY_PARAMS, __global const float* shaper, int shaperSize,
                                float sminR, float sminG, float sminB, float smaxR, float smaxG,
                                float smaxB) {
    KV_EACH_PIXEL(kvShapedLutPixel(p, lut, size, dminR, dminG, dminB, dmaxR, dmaxG, dmaxB, amount,
                                   shaper, shaperSize, sminR, sminG, sminB, smaxR, smaxG, smaxB));
}

/* The pattern, when asked for, is drawn as by the other entries; `lut` is
   bound but never read. */
__kernel void KromvaleLutSteps(KV_CUBE_ENTRY_PARAMS, __global const KvStep* steps, int stepCount,
                               __global const float* tables) {
    KV_EACH_PIXEL(kvStepsPixel(p, steps, stepCount, tables, amount));
}
