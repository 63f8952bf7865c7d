#pragma once
// Run-time loading of driver libraries. A loaded library is never unloaded:
// the functions taken from it stay valid for the life of the process.

#include <string>

namespace kv::platform {

// Loads by name ("nvcuda.dll", "OpenCL.dll"; a file name or path on Linux).
// Null when the library cannot be loaded.
void* LoadDynamicLibrary(const std::wstring& name);

// The address of an exported symbol, or null. Cast the result to the
// function's type with reinterpret_cast.
void* FindLibrarySymbol(void* library, const char* name);

}  // namespace kv::platform
