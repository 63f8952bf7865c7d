#include "platform/ForegroundWindow.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kv::platform {

#ifdef _WIN32

void* ForegroundWindow() { return reinterpret_cast<void*>(GetForegroundWindow()); }

#else

void* ForegroundWindow() {
    static char token;
    return &token;
}

#endif

}  // namespace kv::platform
