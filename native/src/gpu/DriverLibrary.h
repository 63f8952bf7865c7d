#pragma once

namespace kv::gpu {

// Run-time loading of a GPU driver library: a thin layer over the platform
// loader so that the two driver tables share one path (and one test seam).

// Returns the loaded library or nullptr. Libraries are never unloaded.
void* LoadDriverLibrary(const wchar_t* name);
// Returns the address of export `name`, or nullptr.
void* FindDriverSymbol(void* library, const char* name);

}  // namespace kv::gpu
