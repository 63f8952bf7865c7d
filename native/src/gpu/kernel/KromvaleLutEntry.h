/* What every GPU entry does around its colour change, written once for the
   OpenCL text and the CUDA source (the C++ twin's counterpart is EachPixel
   in KromvaleLutTwin.cpp): one thread per pixel, none past width x height;
   the calibration pattern instead of the picture when probe > 0; otherwise
   the pixel p loaded (the backend's kvLoadPixel), replaced by `change`, an
   expression in p, and stored (kvStorePixel). It reads the entry's own
   parameters by name: every entry has these under the same names, at the
   same places (gpu/KernelArgs.h). src and dst may alias, since each thread
   touches only its own pixel. */
#pragma once

#define KV_EACH_PIXEL(change)                                                                    \
    const int x = KV_PIXEL_X;                                                                    \
    const int y = KV_PIXEL_Y;                                                                    \
    if (x >= width || y >= height) {                                                             \
        return;                                                                                  \
    }                                                                                            \
    KvPixel p;                                                                                   \
    if (probe > 0) {                                                                             \
        p = kvProbePixel(x, y, probe, probeCols, probeRows, probeX0, probeY0, probeX1, probeY1); \
    } else {                                                                                     \
        p = kvLoadPixel(src, (KV_LONG)y * srcPitch + x, is16f);                                  \
        p = change;                                                                              \
    }                                                                                            \
    kvStorePixel(dst, (KV_LONG)y * dstPitch + x, is16f, p)
