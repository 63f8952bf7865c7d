#pragma once
// Parameter bytes to a shared, immutable LUT record, through a small cache.
//
// Every render and every UI update needs the LUT that the "LUT" parameter's
// bytes describe; parsing LUT text costs far more than a frame, so the last
// eight distinct byte strings are remembered together with what they gave,
// good or bad. An entry is found by its bytes, kept with it, not by a hash.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "lut_engine/Lut3D.h"

namespace kv {

// The LUT described by `bytes`, or null when there is none. The caller keeps
// the bytes alive (the host handle locked) for the call. On a failure that is
// seen for the first time `error` (if given) receives the reason; a cached
// failure returns null without a message.
std::shared_ptr<const Lut3D> GetLutForParam(const void* bytes, size_t length,
                                                std::string* error = nullptr);

// Number of entries currently cached (at most 8).
size_t LutCacheEntryCount();

}  // namespace kv
