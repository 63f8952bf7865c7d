/* Qualifiers for the shared kernel body when it is compiled as CUDA. */
#pragma once

#include <cuda_fp16.h>

#define KV_INLINE __device__ __forceinline__
#define KV_GLOBAL
#define KV_LONG long long
/* The LUT goes through the read-only data cache. */
#define KV_LDG(p) __ldg(p)
/* nvcc contracts a * b + c into a fused multiply-add by default (-fmad=true).
   The weighted sums and the blend are fused on purpose, spelt out with
   __fmaf_rn so the PTX does not depend on that flag. The cell position
   u = t * n must be rounded on its own: a fused u - i would give a fraction
   that no longer matches the cell index (it can even go below 0), so it uses
   __fmul_rn, which is never contracted. Division stays IEEE round-to-nearest
   (nvcc's default -prec-div=true). */
#define KV_MUL_RN(a, b) __fmul_rn((a), (b))
#define KV_MAD(a, b, c) __fmaf_rn((a), (b), (c))
#define KV_AS_INT(f) __float_as_int(f)
#define KV_AS_FLOAT(i) __int_as_float(i)
#define KV_FLOOR(f) floorf(f)
/* This thread's pixel. */
#define KV_PIXEL_X ((int)(blockIdx.x * blockDim.x + threadIdx.x))
#define KV_PIXEL_Y ((int)(blockIdx.y * blockDim.y + threadIdx.y))
