/* One lane of the process-list step body (lut_engine/process/StepMath.h and
   StepBody.h) for the kernels: every GPU thread runs one pixel, so a lane is
   a plain float, int or int mask, in each kernel language alike. The
   backend's compat header comes first; it supplies KV_INLINE, KV_GLOBAL,
   KV_LDG and the bit casts and floor (KV_AS_INT, KV_AS_FLOAT, KV_FLOOR).
   Each helper does what the scalar rows' does (process/ScalarLanes.h), so
   a kernel evaluates a list as the processor does: comparisons are C's
   (false for NaN, but !=), and the body's products and sums are fused only
   where the backend's compiler contracts them (never in the OpenCL text or
   the C++ twin). */
#pragma once

#define KV_F float
#define KV_I int
#define KV_M int
#define KV_TABLE KV_GLOBAL

KV_INLINE float kvFloat(float c) { return c; }
KV_INLINE int kvInt(int c) { return c; }
KV_INLINE float kvSelect(int m, float a, float b) { return m ? a : b; }
KV_INLINE int kvSelectI(int m, int a, int b) { return m ? a : b; }
KV_INLINE int kvAsInt(float f) { return KV_AS_INT(f); }
KV_INLINE float kvAsFloat(int i) { return KV_AS_FLOAT(i); }
KV_INLINE float kvToFloat(int i) { return (float)i; }
/* INT_MIN beyond the int range and for NaN, as the processor's conversion
   gives it; a plain cast would leave those undefined. */
KV_INLINE int kvTruncToInt(float f) {
    return f >= -2147483648.0f && f < 2147483648.0f ? (int)f : (int)0x80000000;
}
KV_INLINE float kvFloor(float f) { return KV_FLOOR(f); }
KV_INLINE float kvMaxOf(float lo, float v) { return lo < v ? v : lo; }
KV_INLINE float kvMinOf(float hi, float v) { return v < hi ? v : hi; }
KV_INLINE float kvBelow(float v, float hi) { return v > hi ? hi : v; }
KV_INLINE float kvAbove(float v, float lo) { return v < lo ? lo : v; }
KV_INLINE int kvAnd(int a, int b) { return a && b; }
KV_INLINE int kvOr(int a, int b) { return a || b; }
KV_INLINE int kvNot(int a) { return !a; }
KV_INLINE int kvAny(int a) { return a; }
/* Tables and records stay unchanged while a launch runs, so CUDA reads them
   through the read-only data cache. */
KV_INLINE float kvGather(KV_GLOBAL const float* t, int i) { return KV_LDG(t + i); }
