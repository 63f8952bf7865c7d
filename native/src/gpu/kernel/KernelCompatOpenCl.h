/* Qualifiers for the shared kernel body when it is compiled as OpenCL C 1.2. */
#pragma once

/* The sums stay unfused so that the OpenCL result is bit-identical to the
   C++ twin; device compilers may otherwise contract them differently. */
#pragma OPENCL FP_CONTRACT OFF

#define KV_INLINE inline
#define KV_GLOBAL __global
#define KV_LONG long
#define KV_LDG(p) (*(p))
#define KV_MUL_RN(a, b) ((a) * (b))
#define KV_MAD(a, b, c) ((a) * (b) + (c))
