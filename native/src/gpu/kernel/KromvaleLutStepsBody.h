/* Per-pixel maths of the KromvaleLutSteps entry, in the C subset of
   KromvaleLutBody.h (which comes first, after the backend's compat header):
   a process list's steps on R, G and B through the very body the processor
   rows run (lut_engine/process/StepBody.h, on the one-lane KernelLanes.h),
   then the Amount mix against the pixel as it came in, and alpha as it
   was: kv::ApplyLutRows32f's order of operations. With the blend unfused
   (OpenCL, the C++ twin) a pixel gets the processor's bits.

   The records arrive as the host prepared them (kv::PrepareSteps), so
   StepRecord.h must give the same layout in every language: all its fields
   are 4 bytes, 112 in a record. In C++ StepRecord.h is already included, in
   namespace kv, by the time this file is. */
#pragma once

#include "KernelLanes.h"
#include "lut_engine/process/StepRecord.h"
#include "lut_engine/process/StepMath.h"
#include "lut_engine/process/StepBody.h"

typedef char KvStepRecordIs112Bytes[sizeof(KvStep) == 112 ? 1 : -1];

/* Which NaN arithmetic gives differs between processors and GPUs; a result
   leaves as the one quiet NaN the processor rows write (kv::CanonicalNaN). */
KV_INLINE float kvCanonicalNaN(float v) { return v == v ? v : kvAsFloat(KV_QNAN_BITS); }

KV_INLINE KvPixel kvStepsPixel(KvPixel p, KV_GLOBAL const KvStep* steps, int stepCount,
                               KV_GLOBAL const float* tables, float amount) {
    float c[3];
    c[0] = p.r;
    c[1] = p.g;
    c[2] = p.b;
    kvApplySteps(steps, stepCount, tables, c);
    KvPixel o;
    o.r = kvCanonicalNaN(kvBlend(c[0], p.r, amount));
    o.g = kvCanonicalNaN(kvBlend(c[1], p.g, amount));
    o.b = kvCanonicalNaN(kvBlend(c[2], p.b, amount));
    o.a = p.a;
    return o;
}
