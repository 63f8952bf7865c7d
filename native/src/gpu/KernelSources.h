#pragma once

namespace kv::gpu {

// The kernel as the GPU drivers take it: NUL-terminated 8-bit
// texts with CR LF line ends, generated at build time from
// native/src/gpu/kernel.

// The entry points' names in both texts: the kernel for LUTs without a 1D
// stage (and for copies and the pattern), the one for LUTs with one, and
// the one for process lists.
inline constexpr const char kKromvaleLutEntry[] = "KromvaleLut";
inline constexpr const char kKromvaleLutShapedEntry[] = "KromvaleLutShaped";
inline constexpr const char kKromvaleLutStepsEntry[] = "KromvaleLutSteps";

// OpenCL C 1.2 source, one self-contained text; build it with
// "-cl-single-precision-constant".
extern const char kKromvaleLutOpenCl[];

// PTX (.target sm_75, .address_size 64) with the three entries.
extern const char kKromvaleLutPtx[];

}  // namespace kv::gpu
