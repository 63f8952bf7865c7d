#include "lut_engine/LutFile.h"

#include "lut_engine/CubeFile.h"
#include "lut_engine/LutText.h"
#include "lut_engine/ThreeDlFile.h"

namespace kv {

bool Is3dlFileName(std::string_view fileName) {
    constexpr std::string_view kSuffix = ".3dl";
    if (fileName.size() < kSuffix.size()) return false;
    const std::string_view tail = fileName.substr(fileName.size() - kSuffix.size());
    for (size_t i = 0; i < kSuffix.size(); ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kSuffix[i]) return false;
    }
    return true;
}

bool ReadLutFile(std::string_view fileName, std::string_view text, Lut3D& lut, std::string* error) {
    if (Is3dlFileName(fileName)) return Read3dlFile(text, lut, error);
    return ReadCubeFile(text, lut, error, kMaxLutTextSize);
}

}  // namespace kv
