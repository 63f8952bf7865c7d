#include "lut_engine/LutFormats.h"

namespace kv {

namespace {

constexpr LutFileFormat kFormats[] = {
    {LutFileKind::kCube, "Cube", "Cube LUTs", {".cube", "", ""}},
    {LutFileKind::k3dl, "3DL", "3DL LUTs", {".3dl", "", ""}},
    {LutFileKind::kClf, "CLF", "Common LUT Format", {".clf", "", ""}},
    {LutFileKind::kCdl, "CDL", "ASC CDL", {".cc", ".ccc", ".cdl"}},
    {LutFileKind::kSpi1d, "spi1d", "spi1d LUTs", {".spi1d", "", ""}},
    {LutFileKind::kSpi3d, "spi3d", "spi3d LUTs", {".spi3d", "", ""}},
};

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    if (suffix.empty() || text.size() < suffix.size()) return false;
    const std::string_view tail = text.substr(text.size() - suffix.size());
    for (size_t i = 0; i < suffix.size(); ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i]) return false;
    }
    return true;
}

}  // namespace

std::span<const LutFileFormat> LutFileFormats() { return kFormats; }

const LutFileFormat& LutFileFormatOf(std::string_view fileName) {
    for (const LutFileFormat& format : kFormats) {
        for (const std::string_view extension : format.extensions) {
            if (EndsWithNoCase(fileName, extension)) return format;
        }
    }
    return kFormats[0];
}

std::string LutNameFromPath(std::string_view path) {
    const size_t separator = path.find_last_of("\\/");
    std::string_view name = separator == std::string_view::npos ? path : path.substr(separator + 1);
    if (LutFileFormatOf(name).kind != LutFileKind::kCube) return std::string(name);
    const size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) name = name.substr(0, dot);
    return std::string(name);
}

bool HasOtherLutExtension(std::string_view name) { return LutFileFormatOf(name).kind != LutFileKind::kCube; }

}  // namespace kv
