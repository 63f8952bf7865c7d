#pragma once
// The diagnostic log, "effect.log" in the per-user data folder: one line per
// call, "<YYYY-mm-dd HH:MM:SS>  <message>\n", appended by every thread.

#include <cstdint>
#include <cstdio>

namespace kv {

#if defined(__MINGW_PRINTF_FORMAT)
#define KV_PRINTF_FORMAT(fmt, args) __attribute__((format(__MINGW_PRINTF_FORMAT, fmt, args)))
#elif defined(__GNUC__)
#define KV_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define KV_PRINTF_FORMAT(fmt, args)
#endif

// Formats the message (at most 1023 bytes; longer output is cut) in the "C"
// locale and appends it with the local time. Never fails towards the caller
// and never throws: a line that cannot be written is dropped. The log lock is
// the innermost lock of the module; nothing called under it logs.
void LogPrintf(const char* format, ...) noexcept KV_PRINTF_FORMAT(1, 2);

// How many lines were dropped since the module was loaded (file not opened
// even after creating the folder, or an allocation or lock failure).
uint64_t LogDroppedLineCount() noexcept;

}  // namespace kv
