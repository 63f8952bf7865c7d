#pragma once

namespace kv::gpu {

// The KromvaleLut kernel as the GPU drivers take it: NUL-terminated 8-bit
// texts with CR LF line ends, generated at build time from
// native/src/gpu/kernel.

// The entry point's name in both texts.
inline constexpr const char kKromvaleLutEntry[] = "KromvaleLut";

// OpenCL C 1.2 source, one self-contained text; build it with
// "-cl-single-precision-constant".
extern const char kKromvaleLutOpenCl[];

// PTX (.target sm_75, .address_size 64) with the one entry "KromvaleLut".
extern const char kKromvaleLutPtx[];

}  // namespace kv::gpu
