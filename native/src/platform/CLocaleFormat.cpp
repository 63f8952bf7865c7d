#include "platform/CLocaleFormat.h"

#include <cstdio>

#ifndef _WIN32
#include <locale.h>
#endif

namespace kv::platform {

#ifdef _WIN32

// The module's C runtime keeps its own locale, apart from the hosts' runtimes,
// and nothing in the module changes it: it stays "C".
int FormatInCLocale(char* buffer, size_t size, const char* format, va_list args) {
    return std::vsnprintf(buffer, size, format, args);
}

#else

namespace {
locale_t CLocale() {
    // Made once and kept for the process.
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
}
}  // namespace

// The process locale is shared with the host (and with tests that set one),
// so the "C" locale is selected for this thread only, around the call.
int FormatInCLocale(char* buffer, size_t size, const char* format, va_list args) {
    const locale_t c = CLocale();
    if (c == static_cast<locale_t>(0)) return std::vsnprintf(buffer, size, format, args);
    const locale_t previous = uselocale(c);
    const int result = std::vsnprintf(buffer, size, format, args);
    uselocale(previous);
    return result;
}

#endif

}  // namespace kv::platform
