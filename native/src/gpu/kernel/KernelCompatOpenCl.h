/* Qualifiers for the shared kernel body when it is compiled as OpenCL C 1.2. */
#pragma once

/* The sums stay unfused so that the OpenCL result is bit-identical to the
   C++ twin; device compilers may otherwise contract them differently. Built
   with -D KV_CONTRACTED (the tests do, nothing else), the text is left to
   the compiler's own contraction instead, standing in for the PTX's fused
   multiply-adds. */
#ifndef KV_CONTRACTED
#pragma OPENCL FP_CONTRACT OFF
#endif

/* static: in OpenCL C (C99) a plain inline function is only an inline
   definition, and a call the compiler chooses not to inline (the step list,
   the tetrahedron at -O0 or past an inlining threshold) is left to an
   external function that no one defines, so the build fails to link. */
#define KV_INLINE static inline
#define KV_GLOBAL __global
#define KV_LONG long
#define KV_LDG(p) (*(p))
#define KV_MUL_RN(a, b) ((a) * (b))
#define KV_MAD(a, b, c) ((a) * (b) + (c))
#define KV_AS_INT(f) as_int(f)
#define KV_AS_FLOAT(i) as_float(i)
#define KV_FLOOR(f) floor(f)
/* This work-item's pixel. */
#define KV_PIXEL_X ((int)get_global_id(0))
#define KV_PIXEL_Y ((int)get_global_id(1))
