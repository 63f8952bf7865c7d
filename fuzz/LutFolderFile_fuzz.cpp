// Reads arbitrary bytes as the panel's "lut-folder.txt" and asks where the
// "Change LUT" dialog opens. The answer is either the file's first 2047 bytes
// with trailing line ends and spaces dropped, when that names an existing
// entry, or the documents folder's "Kromvale LUTs". When the first input byte
// is odd, the rest is appended to an existing scratch folder's path, so that
// the trimming and decoding run on paths that can exist.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "PanelFiles.h"
#include "panel_link/LutFolder.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/TextConversion.h"

namespace {

using kv::platform::WideFromUtf8;

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// A private data folder (the file lives there) and a folder that exists.
const std::string& ScratchFolder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/kv-fuzz-folder-XXXXXX";
        Check(mkdtemp(pattern) != nullptr);
        setenv("XDG_DATA_HOME", pattern, 1);
        return std::string(pattern);
    }();
    return folder;
}

std::wstring DefaultFolder() {
    return kvtest::JoinPath(kv::platform::KnownFolderPath(kv::platform::KnownFolder::Documents), L"Kromvale LUTs");
}

// What the reader should make of the file's bytes.
std::wstring Expected(std::string_view bytes) {
    std::string_view kept = bytes.substr(0, 2047);
    while (!kept.empty() && (kept.back() == '\n' || kept.back() == '\r' || kept.back() == ' ')) {
        kept.remove_suffix(1);
    }
    const std::wstring path = WideFromUtf8(kept);
    if (path.empty() || !kv::platform::PathExists(path)) return DefaultFolder();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& scratch = ScratchFolder();
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!bytes.empty() && (bytes[0] & 1) != 0) bytes = scratch + bytes.substr(1);
    Check(kvtest::WriteUserFile(L"lut-folder.txt", bytes));
    Check(kv::GetLutFolder() == Expected(bytes));
    return 0;
}
