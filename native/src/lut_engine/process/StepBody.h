/* The process-list steps on one lane type, written once in the C subset of
   StepMath.h (which must come first, with its lanes header). The lanes
   header also defines
     KV_TABLE                 the address space of the records and tables
     kvGather(t, i)           t[i] on every lane (int lanes of indices)
   The body reads the step records of StepRecord.h; every constant a step
   needs was worked out when the list was prepared (PreparedSteps.cpp), so
   the body only applies them, in the order written here, on every lane type
   alike.

   Where CLF leaves a case open (NaN, infinities, logs of
   values at or below zero, powers of negative values), the steps do what
   OpenColorIO 2.1 does, in its float operations and their order: each such
   place says so.

   No include guard, as StepMath.h. */


/* 1 with the sign of v (-0 and negative NaN give -1). */
KV_INLINE KV_F kvSignOf(KV_F v) {
    return kvAsFloat((kvAsInt(v) & kvInt((int)0x80000000)) | kvInt(0x3F800000));
}

KV_INLINE KV_F kvAbs(KV_F v) { return kvAsFloat(kvAsInt(v) & kvInt(0x7FFFFFFF)); }

/* powf(x, y) for x >= 0 (and +inf, NaN): exact where y is 0 or 1. */
KV_INLINE KV_F kvPow(KV_F x, float y) {
    if (y == 0.0f) return kvFloat(1.0f);
    if (y == 1.0f) return x;
    return kvPowPositive(x, kvFloat(y));
}

KV_INLINE void kvMatrixStep(const KV_TABLE KvStep* s, KV_F* c) {
    if (s->style & KV_MATRIX_DIAGONAL) {
        /* Channels stay apart, so an infinity in one cannot make NaN of
           another through a zero coefficient. */
        for (int k = 0; k < 3; ++k) {
            KV_F v = c[k] * kvFloat(s->p[4 * k]);
            if (s->style & KV_MATRIX_OFFSET) v = v + kvFloat(s->p[9 + k]);
            c[k] = v;
        }
        return;
    }
    const KV_F r = c[0];
    const KV_F g = c[1];
    const KV_F b = c[2];
    for (int k = 0; k < 3; ++k) {
        c[k] = ((r * kvFloat(s->p[3 * k]) + g * kvFloat(s->p[3 * k + 1])) + b * kvFloat(s->p[3 * k + 2])) +
               kvFloat(s->p[9 + k]);
    }
}

KV_INLINE void kvRangeStep(const KV_TABLE KvStep* s, KV_F* c) {
    for (int k = 0; k < 3; ++k) {
        KV_F v = c[k];
        if (s->style & KV_RANGE_SCALE) v = v * kvFloat(s->p[0]) + kvFloat(s->p[1]);
        if (s->style & KV_RANGE_CLAMP_LOW) v = kvMaxOf(kvFloat(s->p[2]), v);
        if (s->style & KV_RANGE_CLAMP_HIGH) v = kvMinOf(kvFloat(s->p[3]), v);
        c[k] = v;
    }
}

/* Per channel k the constants at p[8k..8k+7]. OpenColorIO floors the
   argument of every log at FLT_MIN, so zero, negatives and NaN all give the
   log of FLT_MIN (a NaN there gives the floor too). */
KV_INLINE KV_F kvLogChannel(int style, const KV_TABLE float* q, KV_F v) {
    const KV_F floor = kvFloat(1.17549435e-38f);
    if (style == KV_LOG_LOG) return kvLog2(kvMaxOf(floor, v)) * kvFloat(q[0]);
    if (style == KV_LOG_ANTILOG) return kvExp2(v * kvFloat(q[0]));
    if (style == KV_LOG_LIN_TO_LOG || style == KV_LOG_CAMERA_LIN_TO_LOG) {
        KV_F t = v * kvFloat(q[0]) + kvFloat(q[1]);
        t = kvMaxOf(floor, t);
        const KV_F logSide = kvLog2(t) * kvFloat(q[2]) + kvFloat(q[3]);
        if (style == KV_LOG_LIN_TO_LOG) return logSide;
        /* Below the break, the straight segment; NaN takes the log side. */
        return kvSelect(v < kvFloat(q[4]), kvFloat(q[5]) * v + kvFloat(q[6]), logSide);
    }
    const KV_F linSide = (kvExp2((v + kvFloat(q[0])) * kvFloat(q[1])) + kvFloat(q[2])) * kvFloat(q[3]);
    if (style == KV_LOG_LOG_TO_LIN) return linSide;
    return kvSelect(v < kvFloat(q[4]), kvFloat(q[5]) * (v + kvFloat(q[6])), linSide);
}

KV_INLINE void kvLogStep(const KV_TABLE KvStep* s, KV_F* c) {
    for (int k = 0; k < 3; ++k) c[k] = kvLogChannel(s->style, s->p + 8 * k, c[k]);
}

/* Per channel k the constants at p[8k..]: the power g for the basic styles;
   gamma, offset, scale, break and slope for the monCurve ones. */
KV_INLINE KV_F kvMonCurve(int forward, const KV_TABLE float* q, KV_F v) {
    const KV_F linear = v * kvFloat(q[4]);
    const KV_F curve = forward ? kvPowPositive(v * kvFloat(q[2]) + kvFloat(q[1]), kvFloat(q[0]))
                               : kvPowPositive(v, kvFloat(q[0])) * kvFloat(q[2]) - kvFloat(q[1]);
    return kvSelect(v <= kvFloat(q[3]), linear, curve);
}

KV_INLINE KV_F kvExponentChannel(int style, const KV_TABLE float* q, KV_F v) {
    switch (style) {
        case KV_EXP_BASIC: /* negatives, -0 and NaN give 0 */
            return kvPow(kvMaxOf(kvFloat(0.0f), v), q[0]);
        case KV_EXP_MIRROR:
            return kvSignOf(v) * kvPow(kvAbs(v), q[0]);
        case KV_EXP_PASS_THRU: /* zero, negatives and NaN pass through */
            return kvSelect(v > kvFloat(0.0f), kvPow(v, q[0]), v);
        case KV_EXP_MONCURVE_FWD:
            return kvMonCurve(1, q, v);
        case KV_EXP_MONCURVE_REV:
            return kvMonCurve(0, q, v);
        case KV_EXP_MONCURVE_MIRROR_FWD:
            return kvSignOf(v) * kvMonCurve(1, q, kvAbs(v));
        default:
            return kvSignOf(v) * kvMonCurve(0, q, kvAbs(v));
    }
}

KV_INLINE void kvExponentStep(const KV_TABLE KvStep* s, KV_F* c) {
    for (int k = 0; k < 3; ++k) c[k] = kvExponentChannel(s->style, s->p + 8 * k, c[k]);
}

/* 0..1, NaN to 0: min(1, max(0, v)). */
KV_INLINE KV_F kvClamp01(KV_F v) { return kvMinOf(kvFloat(1.0f), kvMaxOf(kvFloat(0.0f), v)); }

KV_INLINE void kvSaturation(float saturation, KV_F* c) {
    const KV_F luma = (c[0] * kvFloat(0.2126f) + c[1] * kvFloat(0.7152f)) + c[2] * kvFloat(0.0722f);
    for (int k = 0; k < 3; ++k) c[k] = luma + kvFloat(saturation) * (c[k] - luma);
}

/* The unclamped styles' power: NaN gives 0, negatives pass through. */
KV_INLINE KV_F kvCdlPowerNoClamp(KV_F v, float power) {
    const KV_F powered = kvSelect(v < kvFloat(0.0f), v, kvPow(v, power));
    return kvSelect(v == v, powered, kvFloat(0.0f));
}

/* p[0..2] slope, p[3..5] offset, p[6..8] power, p[9] saturation; for the
   reverse styles their inverses (1 / max(v, 0.01)) and the offsets negated. */
KV_INLINE void kvCdlStep(const KV_TABLE KvStep* s, KV_F* c) {
    const int clamp = s->style == KV_CDL_FWD || s->style == KV_CDL_REV;
    if (s->style == KV_CDL_FWD || s->style == KV_CDL_FWD_NO_CLAMP) {
        for (int k = 0; k < 3; ++k) {
            KV_F v = c[k] * kvFloat(s->p[k]) + kvFloat(s->p[3 + k]);
            c[k] = clamp ? kvPow(kvClamp01(v), s->p[6 + k]) : kvCdlPowerNoClamp(v, s->p[6 + k]);
        }
        kvSaturation(s->p[9], c);
        if (clamp) {
            for (int k = 0; k < 3; ++k) c[k] = kvClamp01(c[k]);
        }
        return;
    }
    if (clamp) {
        for (int k = 0; k < 3; ++k) c[k] = kvClamp01(c[k]);
    }
    kvSaturation(s->p[9], c);
    for (int k = 0; k < 3; ++k) {
        KV_F v = clamp ? kvPow(kvClamp01(c[k]), s->p[6 + k]) : kvCdlPowerNoClamp(c[k], s->p[6 + k]);
        v = (v + kvFloat(s->p[3 + k])) * kvFloat(s->p[k]);
        c[k] = clamp ? kvClamp01(v) : v;
    }
}

/* OpenColorIO's 1D look-up: the index (n-1) v held to 0..n-1 (NaN to 0),
   weighted from the entry above: L[hi] + (L[lo] - L[hi]) (hi - index). */
KV_INLINE KV_F kvLut1DChannel(const KV_TABLE float* t, int size, int k, KV_F v) {
    const KV_F last = kvFloat((float)(size - 1));
    const KV_F index = kvMinOf(last, kvMaxOf(kvFloat(0.0f), last * v));
    const KV_F lo = kvFloor(index);
    const KV_F hi = kvSelect(lo < index, lo + kvFloat(1.0f), lo);
    const KV_F a = kvGather(t, kvTruncToInt(lo) * kvInt(3) + kvInt(k));
    const KV_F b = kvGather(t, kvTruncToInt(hi) * kvInt(3) + kvInt(k));
    return b + (a - b) * (hi - index);
}

/* The half-float bit pattern of v, rounded to nearest even: values from
   65520 up in size become infinities, values below half's smallest
   denormal zeros; a NaN becomes 0x7E00 with v's sign. */
KV_INLINE KV_I kvHalfBits(KV_F v) {
    const KV_I bits = kvAsInt(v);
    const KV_I sign = (bits >> 16) & kvInt(0x8000);
    const KV_I magnitude = bits & kvInt(0x7FFFFFFF);
    const KV_F a = kvAsFloat(magnitude);
    /* Normal halves: rebias the exponent, round the 13 bits dropped to
       nearest even. */
    const KV_I rounded = magnitude + kvInt(0xFFF) + ((magnitude >> 13) & kvInt(1));
    const KV_I normal = (rounded >> 13) - kvInt(0x1C000);
    /* Denormal halves: the value in units of 2^-24, rounded to nearest even
       by a float addition that leaves it in the mantissa's low bits. */
    const KV_I denormal = kvAsInt(a + kvFloat(0.5f)) - kvInt(0x3F000000);
    KV_I h = kvSelectI(a < kvFloat(6.10351562e-05f), denormal, normal);
    h = kvSelectI(a >= kvFloat(65520.0f), kvInt(0x7C00), h);
    h = kvSelectI(a != a, kvInt(0x7E00), h);
    return sign | h;
}

/* The float a half pattern stands for (finite patterns only). */
KV_INLINE KV_F kvHalfValue(KV_I h) {
    const KV_I sign = (h & kvInt(0x8000)) << 16;
    const KV_I magnitude = h & kvInt(0x7FFF);
    const KV_F normal = kvAsFloat(sign | ((magnitude << 13) + kvInt(0x38000000)));
    const KV_F denormal = kvAsFloat(sign | kvAsInt(kvToFloat(magnitude) * kvFloat(5.96046448e-08f)));
    return kvSelect(kvToFloat(magnitude) < kvFloat(1024.0f), denormal, normal);
}

/* OpenColorIO's half-domain look-up: between the two half patterns around
   v, weighted by where v lies between their values. Infinities and values
   that round to them read the largest half; NaN reads its own pattern. */
KV_INLINE KV_F kvLut1DHalfChannel(const KV_TABLE float* t, int k, KV_F v) {
    const KV_F largest = kvFloat(65504.0f);
    const KV_I hv = kvHalfBits(v);
    const KV_M beyond = (hv & kvInt(0x7FFF)) == kvInt(0x7C00);
    /* A value that rounds to an infinity reads the largest half (sign kept). */
    const KV_I h = kvSelectI(beyond, hv - kvInt(1), hv);
    const KV_F x = kvSelect(beyond, kvSignOf(v) * largest, v);
    const KV_F value = kvHalfValue(h);
    const KV_M above = kvAbs(value) > kvAbs(x);
    const KV_I lowCode = kvSelectI(above, h - kvInt(1), h);
    KV_I highCode = kvSelectI(above, h, h + kvInt(1));
    /* The pattern above the largest half is an infinity: stay on it. */
    const KV_M pastLargest = (highCode & kvInt(0x7FFF)) == kvInt(0x7C00);
    highCode = kvSelectI(pastLargest, highCode - kvInt(1), highCode);
    const KV_F xAt = kvSelect(pastLargest, kvSignOf(v) * largest, x);
    const KV_F low = kvHalfValue(lowCode);
    const KV_F high = kvHalfValue(highCode);
    /* Two neighbouring halves lie a power of two apart, so the fraction is
       the difference times that power's exact reciprocal: the quotient,
       without a division. (At the largest half the spacing is 0 and the
       difference too; a NaN pattern gives NaN; both read as 0.) */
    const KV_I spacing = kvAsInt(high - low);
    const KV_F reciprocal = kvAsFloat((kvInt(0x7F000000) - (spacing & kvInt(0x7FFFFFFF))) |
                                      (spacing & kvInt((int)0x80000000)));
    KV_F f = (xAt - low) * reciprocal;
    f = kvSelect(f == f, f, kvFloat(0.0f));
    const KV_F a = kvGather(t, lowCode * kvInt(3) + kvInt(k));
    const KV_F b = kvGather(t, highCode * kvInt(3) + kvInt(k));
    return b + (a - b) * (kvFloat(1.0f) - f);
}

KV_INLINE KV_F kvLut1DAny(const KV_TABLE KvStep* s, const KV_TABLE float* t, int k, KV_F v) {
    return s->kind == KV_STEP_LUT1D_HALF ? kvLut1DHalfChannel(t, k, v) : kvLut1DChannel(t, s->size, k, v);
}

KV_INLINE void kvLut1DStep(const KV_TABLE KvStep* s, const KV_TABLE float* tables, KV_F* c) {
    const KV_TABLE float* t = tables + s->table;
    if (!(s->style & KV_LUT1D_HUE_ADJUST)) {
        for (int k = 0; k < 3; ++k) c[k] = kvLut1DAny(s, t, k, c[k]);
        return;
    }
    /* hueAdjust="dw3": the middle channel keeps its place between the
       others. The order, ties and NaN included, is OpenColorIO's: from
       r > g, g > b and r > b. */
    const KV_M rg = c[0] > c[1];
    const KV_M gb = c[1] > c[2];
    const KV_M rb = c[0] > c[2];
    /* (r > g, g > b, r > b) -> max, mid, min:
       000 001: b g r   010: g b r   011: g r b
       100: b r g       101: r b g   11x: r g b */
    const KV_M maxR = kvAnd(rg, rb);
    const KV_M maxG = kvAnd(kvNot(rg), gb);
    const KV_M midR = kvOr(kvAnd(kvNot(rg), kvAnd(gb, rb)), kvAnd(rg, kvAnd(kvNot(gb), kvNot(rb))));
    const KV_M midG = kvOr(kvAnd(kvNot(rg), kvNot(gb)), kvAnd(rg, gb));
    const KV_M minR = kvAnd(kvNot(rg), kvNot(kvAnd(gb, rb)));
    const KV_M minG = kvAnd(rg, kvNot(gb));
    const KV_F maxV = kvSelect(maxR, c[0], kvSelect(maxG, c[1], c[2]));
    const KV_F midV = kvSelect(midR, c[0], kvSelect(midG, c[1], c[2]));
    const KV_F minV = kvSelect(minR, c[0], kvSelect(minG, c[1], c[2]));
    const KV_F span = maxV - minV;
    const KV_F hue = kvSelect(span == kvFloat(0.0f), kvFloat(0.0f), (midV - minV) / span);
    KV_F out[3];
    for (int k = 0; k < 3; ++k) out[k] = kvLut1DAny(s, t, k, c[k]);
    const KV_F outMax = kvSelect(maxR, out[0], kvSelect(maxG, out[1], out[2]));
    const KV_F outMin = kvSelect(minR, out[0], kvSelect(minG, out[1], out[2]));
    const KV_F newMid = hue * (outMax - outMin) + outMin;
    c[0] = kvSelect(midR, newMid, out[0]);
    c[1] = kvSelect(midG, newMid, out[1]);
    c[2] = kvSelect(kvOr(midR, midG), out[2], newMid);
}

/* OpenColorIO's 3D look-up: per axis the index (n-1) v held to 0..n-1
   (NaN to 0), the nodes below and above it, the fraction between. */
KV_INLINE KV_I kvLut3DAxis(KV_F v, float last, KV_I* above, KV_F* fraction) {
    const KV_F index = kvMinOf(kvFloat(last), kvMaxOf(kvFloat(0.0f), v * kvFloat(last)));
    const KV_F lo = kvFloor(index);
    *above = kvTruncToInt(kvSelect(lo < index, lo + kvFloat(1.0f), lo));
    *fraction = index - lo;
    return kvTruncToInt(lo);
}

KV_INLINE void kvLut3DStep(const KV_TABLE KvStep* s, const KV_TABLE float* tables, KV_F* c) {
    const KV_TABLE float* t = tables + s->table;
    const int n = s->size;
    const float last = (float)(n - 1);
    KV_I r1, g1, b1;
    KV_F fx, fy, fz;
    const KV_I r0 = kvLut3DAxis(c[0], last, &r1, &fx) * kvInt(3);
    const KV_I g0 = kvLut3DAxis(c[1], last, &g1, &fy) * kvInt(3 * n);
    const KV_I b0 = kvLut3DAxis(c[2], last, &b1, &fz) * kvInt(3 * n * n);
    r1 = r1 * kvInt(3);
    g1 = g1 * kvInt(3 * n);
    b1 = b1 * kvInt(3 * n * n);
    const KV_I i000 = r0 + g0 + b0;
    const KV_I i111 = r1 + g1 + b1;
    if (s->style == KV_INTERP_TETRAHEDRAL) {
        /* Strict comparisons; the four terms summed left to right. */
        const KV_M xy = fx > fy;
        const KV_M yz = fy > fz;
        const KV_M xz = fx > fz;
        const KV_M t1 = kvAnd(xy, yz);                             /* x > y > z */
        const KV_M t2 = kvAnd(xy, kvAnd(kvNot(yz), xz));          /* x > z >= y */
        const KV_M t3 = kvAnd(xy, kvAnd(kvNot(yz), kvNot(xz)));   /* z >= x > y */
        const KV_M t4 = kvAnd(kvNot(xy), fz > fy);                  /* z > y >= x */
        const KV_M t5 = kvAnd(kvNot(xy), kvAnd(kvNot(fz > fy), fz > fx)); /* y >= z > x */
        const KV_M t6 = kvNot(kvOr(kvOr(t1, t2), kvOr(kvOr(t3, t4), t5))); /* y >= x >= z */
        const KV_F one = kvFloat(1.0f);
        const KV_F w0 = kvSelect(kvOr(t1, t2), one - fx, kvSelect(kvOr(t3, t4), one - fz, one - fy));
        const KV_F w1 = kvSelect(t1, fx - fy, kvSelect(t2, fx - fz, kvSelect(t3, fz - fx,
                        kvSelect(t4, fz - fy, kvSelect(t5, fy - fz, fy - fx)))));
        const KV_F w2 = kvSelect(t1, fy - fz, kvSelect(t2, fz - fy, kvSelect(t3, fx - fy,
                        kvSelect(t4, fy - fx, kvSelect(t5, fz - fx, fx - fz)))));
        const KV_F w3 = kvSelect(kvOr(t1, t6), fz, kvSelect(kvOr(t2, t3), fy, fx));
        /* The corner after the first: 100, 100, 001, 001, 010, 010; the
           second: 110, 101, 101, 011, 011, 110. */
        const KV_I ia = kvSelectI(kvOr(t1, t2), r1 + g0 + b0, kvSelectI(kvOr(t3, t4), r0 + g0 + b1, r0 + g1 + b0));
        const KV_I ib = kvSelectI(t1, r1 + g1 + b0, kvSelectI(kvOr(t2, t3), r1 + g0 + b1,
                        kvSelectI(kvOr(t4, t5), r0 + g1 + b1, r1 + g1 + b0)));
        for (int k = 0; k < 3; ++k) {
            const KV_I ck = kvInt(k);
            c[k] = ((w0 * kvGather(t, i000 + ck) + w1 * kvGather(t, ia + ck)) + w2 * kvGather(t, ib + ck)) +
                   w3 * kvGather(t, i111 + ck);
        }
        return;
    }
    /* Trilinear: along blue, then green, then red; lerp(a, b, f) = (b - a) f + a. */
    for (int k = 0; k < 3; ++k) {
        const KV_I ck = kvInt(k);
        const KV_F v000 = kvGather(t, i000 + ck);
        const KV_F v001 = kvGather(t, r0 + g0 + b1 + ck);
        const KV_F v010 = kvGather(t, r0 + g1 + b0 + ck);
        const KV_F v011 = kvGather(t, r0 + g1 + b1 + ck);
        const KV_F v100 = kvGather(t, r1 + g0 + b0 + ck);
        const KV_F v101 = kvGather(t, r1 + g0 + b1 + ck);
        const KV_F v110 = kvGather(t, r1 + g1 + b0 + ck);
        const KV_F v111 = kvGather(t, i111 + ck);
        const KV_F z00 = (v001 - v000) * fz + v000;
        const KV_F z01 = (v011 - v010) * fz + v010;
        const KV_F z10 = (v101 - v100) * fz + v100;
        const KV_F z11 = (v111 - v110) * fz + v110;
        const KV_F y0 = (z01 - z00) * fy + z00;
        const KV_F y1 = (z11 - z10) * fy + z10;
        c[k] = (y1 - y0) * fx + y0;
    }
}

/* Every step in order on R, G, B (c[0..2]). */
KV_INLINE void kvApplySteps(const KV_TABLE KvStep* steps, int count, const KV_TABLE float* tables, KV_F* c) {
    for (int i = 0; i < count; ++i) {
        const KV_TABLE KvStep* s = steps + i;
        switch (s->kind) {
            case KV_STEP_MATRIX: kvMatrixStep(s, c); break;
            case KV_STEP_RANGE: kvRangeStep(s, c); break;
            case KV_STEP_LOG: kvLogStep(s, c); break;
            case KV_STEP_EXPONENT: kvExponentStep(s, c); break;
            case KV_STEP_CDL: kvCdlStep(s, c); break;
            case KV_STEP_LUT3D: kvLut3DStep(s, tables, c); break;
            default: kvLut1DStep(s, tables, c); break;
        }
    }
}
