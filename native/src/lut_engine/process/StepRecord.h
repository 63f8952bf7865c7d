/* One step of a process list as every evaluation reads it: the processor
   rows, the vector rows and the GPU kernels. A C struct of fixed size, so a
   list is one flat array that a device buffer can hold as it is; the
   constants each kind needs are worked out once, when the list is prepared
   (PreparedSteps.cpp), in the order that the body (StepBody.h) reads them.

   C++ includes it through PreparedSteps.h, inside namespace kv. */
#ifndef KV_STEP_RECORD_H
#define KV_STEP_RECORD_H

/* Step kinds. */
#define KV_STEP_MATRIX 0       /* p[0..8] matrix rows, p[9..11] offsets; style: KV_MATRIX_* */
#define KV_STEP_RANGE 1        /* p[0] scale, p[1] offset, p[2] lower, p[3] upper bound; style: KV_RANGE_* */
#define KV_STEP_LOG 2          /* style: KV_LOG_*; per channel c constants at p[8c..8c+7] */
#define KV_STEP_EXPONENT 3     /* style: KV_EXP_*; per channel c constants at p[8c..8c+7] */
#define KV_STEP_CDL 4          /* style: KV_CDL_*; p[0..2] slope, p[3..5] offset, p[6..8] power,
                                  p[9] saturation; the reverse styles hold 1 / max(v, 0.01) of
                                  slope, power and saturation and the offsets negated */
#define KV_STEP_LUT1D 5        /* size entries at table (R, G, B each); style bit 1: hue adjust */
#define KV_STEP_LUT1D_HALF 6   /* 65536 entries at table, by half-float bits; style bit 1: hue adjust */
#define KV_STEP_LUT3D 7        /* size^3 nodes at table, red fastest; style: KV_INTERP_* */

/* Matrix style bits: no off-diagonal coefficient (channels apart); offsets
   to add. */
#define KV_MATRIX_DIAGONAL 1
#define KV_MATRIX_OFFSET 2

/* Range style bits: scale and offset first; which ends clamp. */
#define KV_RANGE_CLAMP_LOW 1
#define KV_RANGE_CLAMP_HIGH 2
#define KV_RANGE_SCALE 4

/* Log styles, the per-channel constants in p[8c + 0..6]:
   LOG        scale (log2 or log10 of 2)
   ANTILOG    log2 of the base
   LIN_TO_LOG linSideSlope, linSideOffset, logSideSlope / log2(base),
              logSideOffset; the camera style adds linSideBreak, linearSlope,
              linearOffset
   LOG_TO_LIN -logSideOffset, log2(base) / logSideSlope, -linSideOffset,
              1 / linSideSlope; the camera style adds the log-side break,
              1 / linearSlope, -linearOffset */
#define KV_LOG_LOG 0
#define KV_LOG_ANTILOG 1
#define KV_LOG_LIN_TO_LOG 2
#define KV_LOG_LOG_TO_LIN 3
#define KV_LOG_CAMERA_LIN_TO_LOG 4
#define KV_LOG_CAMERA_LOG_TO_LIN 5

/* Exponent styles, the per-channel constants in p[8c + 0..4]: the power for
   the basic ones; gamma, offset, scale, break and slope for monCurve. */
#define KV_EXP_BASIC 0
#define KV_EXP_MIRROR 1
#define KV_EXP_PASS_THRU 2
#define KV_EXP_MONCURVE_FWD 3
#define KV_EXP_MONCURVE_REV 4
#define KV_EXP_MONCURVE_MIRROR_FWD 5
#define KV_EXP_MONCURVE_MIRROR_REV 6

#define KV_CDL_FWD 0
#define KV_CDL_REV 1
#define KV_CDL_FWD_NO_CLAMP 2
#define KV_CDL_REV_NO_CLAMP 3

#define KV_LUT1D_HUE_ADJUST 1

#define KV_INTERP_TRILINEAR 0
#define KV_INTERP_TETRAHEDRAL 1

#define KV_STEP_PARAMS 24

typedef struct {
    int kind;
    int style;
    int size;
    int table; /* offset of the step's table in the list's tables, in floats */
    float p[KV_STEP_PARAMS];
} KvStep;

#endif
