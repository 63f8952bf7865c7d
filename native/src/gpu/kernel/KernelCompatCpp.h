// Qualifiers for the shared kernel body when it is compiled as C++ (the twin
// that runs in ordinary tests). Built without contraction (kv_exact_float),
// it evaluates every sum exactly as the OpenCL text does. Defining
// KV_TWIN_FUSED before including this header instead fuses the sums and the
// blend the way the CUDA build does; that variant lives in its own namespace
// so both can be linked into one program.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#define KV_INLINE inline
#define KV_GLOBAL
#define KV_LONG std::int64_t
#define KV_LDG(p) (*(p))
#define KV_MUL_RN(a, b) ((a) * (b))
#define KV_AS_INT(f) std::bit_cast<int>(f)
#define KV_AS_FLOAT(i) std::bit_cast<float>(i)
#define KV_FLOOR(f) std::floor(f)

#ifdef KV_TWIN_FUSED
#define KV_MAD(a, b, c) std::fma((a), (b), (c))
#define KV_TWIN_NAMESPACE twin_fused
#else
#define KV_MAD(a, b, c) ((a) * (b) + (c))
#define KV_TWIN_NAMESPACE twin
#endif
