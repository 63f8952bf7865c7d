/* Per-pixel maths of the KromvaleLut and KromvaleLutShaped kernels, written
   once in a C subset that compiles as OpenCL C 1.2, as CUDA and as C++. A compat header for the
   backend comes first and defines KV_INLINE, KV_GLOBAL (address space of
   device pointers), KV_LONG (64-bit signed), KV_LDG (read-only LUT load),
   KV_MUL_RN (a product that must never be fused) and KV_MAD (a * b + c, fused
   or not as the backend chooses).

   This is the GPU form of kv::sampleTetra, kv::ShaperChannel and
   kv::probeColour in native/src/lut_engine: the 1D stage, the cell,
   fraction, tetrahedron and weights are computed with the same float
   operations, so they agree bit for bit. Only the final weighted sum
   differs: it runs left to right, w0*c000 + w1*A + w2*B + w3*c111, where the
   processor groups (w3*c111 + w2*B) + (w1*A + w0*c000); results may differ
   in the last bits.

   Preconditions, left to the caller: size >= 2 (or 0 in the shaped entry,
   for a 1D-only LUT); shaperSize >= 2 in the shaped entry; for the pattern
   probe >= 2 and probeX1 > probeX0, probeY1 > probeY0. */
#pragma once

/* One pixel in the host's GPU memory order. */
typedef struct {
    float b;
    float g;
    float r;
    float a;
} KvPixel;

/* Offsets in floats from the cell's first node to the two middle corners and
   the opposite corner, and the four barycentric weights. */
typedef struct {
    KV_LONG base;
    KV_LONG ia;
    KV_LONG ib;
    KV_LONG opposite;
    float w0;
    float w1;
    float w2;
    float w3;
} KvTetra;

/* (v - lo) / (hi - lo) clamped to [0, 1]; NaN reads as 0. */
KV_INLINE float kvUnit(float v, float lo, float hi) {
    float t = (v - lo) / (hi - lo);
    if (!(t >= 0.0f)) {
        return 0.0f;
    }
    return t > 1.0f ? 1.0f : t;
}

/* Lower node index (0..size-2) of the cell holding position u on one axis.
   The domain maximum (u = size - 1) lands in the last cell with fraction 1
   rather than in a cell past the end. */
KV_INLINE int kvAxisCell(float u, int size) {
    int i = (int)u;
    return i > size - 2 ? size - 2 : i;
}

KV_INLINE KvTetra kvTetra(float r, float g, float b, int size, float dminR, float dminG,
                          float dminB, float dmaxR, float dmaxG, float dmaxB) {
    float n = (float)(size - 1);
    float ur = KV_MUL_RN(kvUnit(r, dminR, dmaxR), n);
    float ug = KV_MUL_RN(kvUnit(g, dminG, dmaxG), n);
    float ub = KV_MUL_RN(kvUnit(b, dminB, dmaxB), n);
    int kr = kvAxisCell(ur, size);
    int kg = kvAxisCell(ug, size);
    int kb = kvAxisCell(ub, size);
    float dr = ur - (float)kr;
    float dg = ug - (float)kg;
    float db = ub - (float)kb;

    KV_LONG sr = 3;
    KV_LONG sg = 3 * (KV_LONG)size;
    KV_LONG sb = sg * (KV_LONG)size;
    KvTetra t;
    t.base = kb * sb + kg * sg + kr * sr;
    t.opposite = sr + sg + sb;
    /* Strict comparisons in a fixed order: ties fall to the later rows, so a
       grey input runs along the cube's diagonal. */
    if (dr > dg) {
        if (dg > db) {
            t.ia = sr;
            t.ib = sr + sg;
            t.w0 = 1.0f - dr;
            t.w1 = dr - dg;
            t.w2 = dg - db;
            t.w3 = db;
        } else if (dr > db) {
            t.ia = sr;
            t.ib = sr + sb;
            t.w0 = 1.0f - dr;
            t.w1 = dr - db;
            t.w2 = db - dg;
            t.w3 = dg;
        } else {
            t.ia = sb;
            t.ib = sr + sb;
            t.w0 = 1.0f - db;
            t.w1 = db - dr;
            t.w2 = dr - dg;
            t.w3 = dg;
        }
    } else {
        if (db > dg) {
            t.ia = sb;
            t.ib = sg + sb;
            t.w0 = 1.0f - db;
            t.w1 = db - dg;
            t.w2 = dg - dr;
            t.w3 = dr;
        } else if (db > dr) {
            t.ia = sg;
            t.ib = sg + sb;
            t.w0 = 1.0f - dg;
            t.w1 = dg - db;
            t.w2 = db - dr;
            t.w3 = dr;
        } else {
            t.ia = sg;
            t.ib = sr + sg;
            t.w0 = 1.0f - dg;
            t.w1 = dg - dr;
            t.w2 = dr - db;
            t.w3 = db;
        }
    }
    return t;
}

/* Output channel c (0 R, 1 G, 2 B) of the tetrahedron, summed left to right. */
KV_INLINE float kvTetraSum(KV_GLOBAL const float* lut, KvTetra t, int c) {
    KV_GLOBAL const float* c000 = lut + t.base + c;
    float v = t.w0 * KV_LDG(c000);
    v = KV_MAD(t.w1, KV_LDG(c000 + t.ia), v);
    v = KV_MAD(t.w2, KV_LDG(c000 + t.ib), v);
    return KV_MAD(t.w3, KV_LDG(c000 + t.opposite), v);
}

/* The Amount mix: in + (v - in) * amount. */
KV_INLINE float kvBlend(float v, float in, float amount) {
    return KV_MAD(v - in, amount, in);
}

KV_INLINE KvPixel kvLutPixel(KvPixel p, KV_GLOBAL const float* lut, int size, float dminR,
                             float dminG, float dminB, float dmaxR, float dmaxG, float dmaxB,
                             float amount) {
    KvTetra t = kvTetra(p.r, p.g, p.b, size, dminR, dminG, dminB, dmaxR, dmaxG, dmaxB);
    KvPixel o;
    o.r = kvBlend(kvTetraSum(lut, t, 0), p.r, amount);
    o.g = kvBlend(kvTetraSum(lut, t, 1), p.g, amount);
    o.b = kvBlend(kvTetraSum(lut, t, 2), p.b, amount);
    o.a = p.a;
    return o;
}

/* One channel (0 R, 1 G, 2 B) through the 1D stage: its position on the
   curve exactly as on a cube axis, then a + f * (b - a) between the two
   entries around it. The product is rounded on its own (never fused with the
   sum), so the shaped value is the processor's bit for bit and the cube
   behind it picks the same cell and fractions. */
KV_INLINE float kvShaperChannel(KV_GLOBAL const float* shaper, int shaperSize, float v, float lo,
                                float hi, int c) {
    float x = KV_MUL_RN(kvUnit(v, lo, hi), (float)(shaperSize - 1));
    int i = kvAxisCell(x, shaperSize);
    float f = x - (float)i;
    KV_GLOBAL const float* entry = shaper + 3 * (KV_LONG)i + c;
    float a = KV_LDG(entry);
    float b = KV_LDG(entry + 3);
    return a + KV_MUL_RN(f, b - a);
}

/* The 1D stage, then the cube unless size is 0 (a 1D-only LUT). Amount
   mixes the result with the pixel as it came in, not with the shaped
   value. */
KV_INLINE KvPixel kvShapedLutPixel(KvPixel p, KV_GLOBAL const float* lut, int size, float dminR,
                                   float dminG, float dminB, float dmaxR, float dmaxG, float dmaxB,
                                   float amount, KV_GLOBAL const float* shaper, int shaperSize,
                                   float sminR, float sminG, float sminB, float smaxR, float smaxG,
                                   float smaxB) {
    float vr = kvShaperChannel(shaper, shaperSize, p.r, sminR, smaxR, 0);
    float vg = kvShaperChannel(shaper, shaperSize, p.g, sminG, smaxG, 1);
    float vb = kvShaperChannel(shaper, shaperSize, p.b, sminB, smaxB, 2);
    if (size > 0) {
        KvTetra t = kvTetra(vr, vg, vb, size, dminR, dminG, dminB, dmaxR, dmaxG, dmaxB);
        vr = kvTetraSum(lut, t, 0);
        vg = kvTetraSum(lut, t, 1);
        vb = kvTetraSum(lut, t, 2);
    }
    KvPixel o;
    o.r = kvBlend(vr, p.r, amount);
    o.g = kvBlend(vg, p.g, amount);
    o.b = kvBlend(vb, p.b, amount);
    o.a = p.a;
    return o;
}

/* Calibration pattern colour of pixel (x, y), opaque. Cells are counted in
   64 bits so that no grid or pattern size can overflow the comparison with
   probe^3; everything past the last patch and outside the area is black. */
KV_INLINE KvPixel kvProbePixel(int x, int y, int probe, int probeCols, int probeRows, int probeX0,
                               int probeY0, int probeX1, int probeY1) {
    KvPixel p;
    p.b = 0.0f;
    p.g = 0.0f;
    p.r = 0.0f;
    p.a = 1.0f;
    if (x < probeX0 || x >= probeX1 || y < probeY0 || y >= probeY1) {
        return p;
    }
    KV_LONG row = (((KV_LONG)y - probeY0) * probeRows) / ((KV_LONG)probeY1 - probeY0);
    KV_LONG col = (((KV_LONG)x - probeX0) * probeCols) / ((KV_LONG)probeX1 - probeX0);
    KV_LONG idx = row * probeCols + col;
    KV_LONG n = probe;
    if (idx >= n * n * n) {
        return p;
    }
    float k = 1.0f / (float)(probe - 1);
    p.r = (float)(idx % n) * k;
    p.g = (float)((idx / n) % n) * k;
    p.b = (float)(idx / (n * n)) * k;
    return p;
}
