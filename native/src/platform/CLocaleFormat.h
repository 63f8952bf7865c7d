#pragma once
// Bounded printf-style formatting whose numbers do not depend on the locale
// that the host process may have set (a comma decimal point, for instance).

#include <cstdarg>
#include <cstddef>

namespace kv::platform {

// vsnprintf in the "C" locale: writes at most size - 1 characters and always
// terminates (for size > 0). Returns vsnprintf's result.
int FormatInCLocale(char* buffer, size_t size, const char* format, va_list args);

}  // namespace kv::platform
