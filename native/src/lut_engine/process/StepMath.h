/* Float log2, exp2 and pow for the process-list steps, written once in a C
   subset over lane types, so that the scalar rows, the vector rows and the
   GPU kernels evaluate the same operations in the same order.

   This file has no include guard on purpose: it is included once per lane
   type, after a lanes header has defined
     KV_INLINE                qualifiers of a body function
     KV_F, KV_I, KV_M         float lanes, int32 lanes, and the mask a float
                              comparison gives (a plain float, int and int for
                              one lane)
     kvSelect(m, a, b)        a where m holds, else b (float lanes)
     kvSelectI(m, a, b)       the same for int lanes
     kvAsInt(f), kvAsFloat(i) the bits of one as the other
     kvToFloat(i)             int to float, exactly for |i| < 2^24
     kvTruncToInt(f)          float to int toward zero; 0x80000000 (INT_MIN)
                              where the value does not fit an int or is NaN,
                              as the processor's conversion gives it
     kvFloor(f)               floor, in float
     kvFloat(c)               a float constant as lanes
     kvInt(c)                 an int constant as int lanes
     kvAnd(m, n), kvOr(m, n), kvNot(m)   masks combined
     kvAny(m)                 whether m holds in any lane (a plain bool: it
                              decides whether rare cases need a second pass;
                              no result depends on it)
     kvMaxOf(lo, v), kvMinOf(hi, v)      std::max(lo, v) and std::min(hi, v):
                              lo < v ? v : lo and v < hi ? v : hi, so a
                              NaN v gives the bound
     kvBelow(v, hi), kvAbove(v, lo)       v > hi ? hi : v and v < lo ? lo : v,
                              so a NaN v stays
   with +, -, *, / on KV_F, +, -, *, &, |, >> and << (by a constant) on KV_I,
   comparisons of KV_F giving KV_M (false for NaN, like C's, but != which is
   true), and == on KV_I.
   Products and sums are never fused: the C++ builds use
   -ffp-contract=off and the OpenCL text sets FP_CONTRACT OFF.

   Accuracy against double precision (StepMath_test measures it over every
   float binade): kvLog2 within 1 ulp of the result (2^-24 absolute where
   the result is below 1 in size; 0.86 seen), kvExp2 within 1 ulp (0.91
   seen), and kvPowPositive within (2 + 1.5 |y log2 x|) ulp: the rounding of
   the product y log2 x, carried through exp2, grows with its size. The
   polynomials are the Cephes library's single-precision minimax fits. */

/* A quiet NaN every routine returns for an undefined result, so that all
   lane types give the same bits. */
#define KV_QNAN_BITS 0x7FC00000
#define KV_INF_BITS 0x7F800000

/* log2 of a positive float from its bits, whose exponent field is taken
   against `bias` (127, or 150 for a denormal scaled by 2^23 first). */
KV_INLINE KV_F kvLog2Bits(KV_I bits, KV_I bias) {
    KV_I e = ((bits >> 23) & kvInt(0xFF)) - bias;
    KV_F m = kvAsFloat((bits & kvInt(0x007FFFFF)) | kvInt(0x3F800000)); /* [1, 2) */
    /* Centre the mantissa on 1: [sqrt(1/2), sqrt(2)). */
    const KV_M high = m > kvFloat(1.41421356f);
    m = kvSelect(high, m * kvFloat(0.5f), m);
    e = e + kvSelectI(high, kvInt(1), kvInt(0));
    const KV_F f = m - kvFloat(1.0f);
    const KV_F z = f * f;
    KV_F p = kvFloat(7.0376836292e-2f);
    p = p * f + kvFloat(-1.1514610310e-1f);
    p = p * f + kvFloat(1.1676998740e-1f);
    p = p * f + kvFloat(-1.2420140846e-1f);
    p = p * f + kvFloat(1.4249322787e-1f);
    p = p * f + kvFloat(-1.6668057665e-1f);
    p = p * f + kvFloat(2.0000714765e-1f);
    p = p * f + kvFloat(-2.4999993993e-1f);
    p = p * f + kvFloat(3.3333331174e-1f);
    KV_F y = f * (z * p);
    y = y + kvFloat(-0.5f) * z;
    /* log2(1 + f) = (y + f) * log2(e), with log2(e) - 1 split off so that
       most of the product is exact. */
    const KV_F log2eMinus1 = kvFloat(0.44269504088896340736f);
    KV_F r = y * log2eMinus1;
    r = r + f * log2eMinus1;
    r = r + y;
    r = r + f;
    return r + kvToFloat(e);
}

/* log2(x): -inf for 0 (either sign), NaN for NaN and x < 0, +inf for +inf;
   denormals are scaled into the normal range first. Those cases take a
   second pass, and only where a lane needs it. */
KV_INLINE KV_F kvLog2(KV_F x) {
    const KV_F smallestNormal = kvFloat(1.17549435e-38f);
    const KV_F inf = kvAsFloat(kvInt(KV_INF_BITS));
    const KV_M plain = kvAnd(x >= smallestNormal, x < inf);
    KV_F r = kvLog2Bits(kvAsInt(x), kvInt(127));
    if (kvAny(kvNot(plain))) {
        const KV_M denormal = x < smallestNormal;
        const KV_F scaled = kvSelect(denormal, x * kvFloat(8388608.0f), x); /* 2^23 */
        KV_F other = kvLog2Bits(kvAsInt(scaled), kvSelectI(denormal, kvInt(150), kvInt(127)));
        other = kvSelect(x == inf, x, other);
        other = kvSelect(x == kvFloat(0.0f), kvFloat(0.0f) - inf, other);
        other = kvSelect(x >= kvFloat(0.0f), other, kvAsFloat(kvInt(KV_QNAN_BITS)));
        r = kvSelect(plain, r, other);
    }
    return r;
}

/* 2^f for f in [-0.5, 0.5], within 1 ulp: 1 + f P(f). */
KV_INLINE KV_F kvExp2Fraction(KV_F f) {
    KV_F p = kvFloat(1.535336188319500e-4f);
    p = p * f + kvFloat(1.339887440266574e-3f);
    p = p * f + kvFloat(9.618437357674640e-3f);
    p = p * f + kvFloat(5.550332471162809e-2f);
    p = p * f + kvFloat(2.402264791363012e-1f);
    p = p * f + kvFloat(6.931472028550421e-1f);
    return kvFloat(1.0f) + f * p;
}

/* 2^x: +inf above the float range, 0 below it (denormal results rounded
   once), NaN for NaN. */
KV_INLINE KV_F kvExp2(KV_F x) {
    /* Where the result is a normal float, 2^n goes straight into the
       exponent field of 2^f (which lies within [2^-1/2, 2^1/2]): the very
       value the two products below give there. Every other lane (beyond
       the normal range, NaN) takes a second pass. */
    KV_F n = kvFloor(x + kvFloat(0.5f));
    KV_F twoToF = kvExp2Fraction(x - n);
    KV_I ni = kvTruncToInt(n);
    const KV_M normal = kvAnd(n >= kvFloat(-125.0f), n <= kvFloat(127.0f));
    /* (Other lanes shift 0, not an n that would overflow the shift.) */
    KV_F r = kvAsFloat(kvAsInt(twoToF) + (kvSelectI(normal, ni, kvInt(0)) << 23));
    if (kvAny(kvNot(normal))) {
        /* Outside -160..130 the result is 0 or infinite either way; inside,
           2^n is two factors, each a normal float, so that a denormal
           result is rounded once (by the last product) and 2^128 does not
           overflow early. */
        const KV_F clamped = kvBelow(kvAbove(x, kvFloat(-160.0f)), kvFloat(130.0f));
        n = kvFloor(clamped + kvFloat(0.5f));
        twoToF = kvExp2Fraction(clamped - n);
        ni = kvTruncToInt(n);
        const KV_I nHalf = ni >> 1; /* not "half": a type in OpenCL C */
        const KV_F s1 = kvAsFloat((nHalf + kvInt(127)) << 23);
        const KV_F s2 = kvAsFloat((ni - nHalf + kvInt(127)) << 23);
        const KV_F other = kvSelect(x == x, (twoToF * s1) * s2, kvAsFloat(kvInt(KV_QNAN_BITS)));
        r = kvSelect(normal, r, other);
    }
    return r;
}

/* x^y for x > 0 (and +inf, 0 as the limits of exp2 give them); the callers
   decide what negative bases and zero mean for their step. */
KV_INLINE KV_F kvPowPositive(KV_F x, KV_F y) { return kvExp2(y * kvLog2(x)); }
