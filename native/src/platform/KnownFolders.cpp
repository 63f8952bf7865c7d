#include "platform/KnownFolders.h"

#include "platform/FaultInjection.h"

#ifdef _WIN32
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <memory>
#else
#include <cstdlib>

#include "platform/TextConversion.h"
#endif

namespace kv::platform {

#ifdef _WIN32

std::wstring SystemKnownFolderPath(KnownFolder which) {
    const KNOWNFOLDERID& id =
        which == KnownFolder::Documents ? FOLDERID_Documents : FOLDERID_RoamingAppData;
    PWSTR raw = nullptr;
    const HRESULT result = SHGetKnownFolderPath(id, 0, nullptr, &raw);
    // The buffer is the caller's to free whatever the result, even on failure.
    const std::unique_ptr<wchar_t, decltype(&CoTaskMemFree)> owned(raw, &CoTaskMemFree);
    if (FAILED(result) || raw == nullptr) return std::wstring();
    return std::wstring(raw);
}

#else

namespace {
std::wstring FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? WideFromUtf8(value) : std::wstring();
}
}  // namespace

std::wstring SystemKnownFolderPath(KnownFolder which) {
    if (which == KnownFolder::RoamingAppData) {
        // A relative XDG_DATA_HOME is invalid and ignored, as the XDG rules say.
        const std::wstring xdg = FromEnvironment("XDG_DATA_HOME");
        if (!xdg.empty() && xdg.front() == L'/') return xdg;
    }
    const std::wstring home = FromEnvironment("HOME");
    if (home.empty()) return std::wstring();
    if (which == KnownFolder::Documents) return home + L"/Documents";
    // Named, never created: a home without ~/.local/share is like a Windows
    // profile without its roaming folder, where the log drops its lines.
    return home + L"/.local/share";
}

#endif

std::wstring KnownFolderPath(KnownFolder which) {
    if (const KnownFolderFn hook = KnownFolderOverride()) return hook(which);
    return SystemKnownFolderPath(which);
}

}  // namespace kv::platform
