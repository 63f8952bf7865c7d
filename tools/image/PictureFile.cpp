#include "image/PictureFile.h"

#include <cctype>

#include "image/FileOutput.h"
#include "image/ImageFile.h"
#include "image/PamFile.h"
#ifdef KV_HAVE_PNG
#include "image/PngFile.h"
#endif
#ifdef KV_HAVE_OPENEXR
#include "image/ExrFile.h"
#endif

namespace kvtool {
namespace {

std::string LowerExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

bool Fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

std::string NotBuilt(PictureType type) {
    return std::string("this build has no ") + PictureTypeName(type) + " support";
}

}  // namespace

PictureType PictureTypeOf(const std::string& path) {
    const std::string ext = LowerExtension(path);
    if (ext == ".png") return PictureType::Png;
    if (ext == ".pam") return PictureType::Pam;
    if (ext == ".exr") return PictureType::Exr;
    return PictureType::Unknown;
}

bool PictureTypeBuilt(PictureType type) {
    switch (type) {
        case PictureType::Pam:
            return true;
        case PictureType::Png:
            return PngSupported();
        case PictureType::Exr:
#ifdef KV_HAVE_OPENEXR
            return true;
#else
            return false;
#endif
        case PictureType::Unknown:
            break;
    }
    return false;
}

const char* PictureTypeName(PictureType type) {
    switch (type) {
        case PictureType::Png:
            return "PNG";
        case PictureType::Pam:
            return "PAM";
        case PictureType::Exr:
            return "OpenEXR";
        case PictureType::Unknown:
            break;
    }
    return "unknown";
}

bool ReadPicture(const std::string& path, Picture& picture, std::string* error) {
    const PictureType type = PictureTypeOf(path);
    if (type == PictureType::Unknown) return Fail(error, "unknown picture type (use .png, .pam or .exr)");
    if (!PictureTypeBuilt(type)) return Fail(error, NotBuilt(type));
    Picture out;
    bool ok = false;
    if (type == PictureType::Exr) {
#ifdef KV_HAVE_OPENEXR
        out.isFloat = true;
        ok = ReadExr(path, out.floats, error);
#endif
    } else {
        ok = ReadImage(path, out.samples, error);
    }
    if (ok) picture = std::move(out);
    return ok;
}

bool WritePicture(std::FILE* file, PictureType type, const Picture& picture, std::string* error) {
    if (type == PictureType::Unknown) return Fail(error, "unknown picture type (use .png, .pam or .exr)");
    if (!PictureTypeBuilt(type)) return Fail(error, NotBuilt(type));
    if (type == PictureType::Exr) {
#ifdef KV_HAVE_OPENEXR
        return WriteExr(file, picture.isFloat ? picture.floats : ToFloatImage(picture.samples), error);
#endif
    }
    const Image samples = picture.isFloat ? ToSampleImage(picture.floats, 16) : Image{};
    const Image& image = picture.isFloat ? samples : picture.samples;
    if (type == PictureType::Pam) return WritePam(file, image, error);
#ifdef KV_HAVE_PNG
    return WritePng(file, image, error);
#else
    return Fail(error, NotBuilt(type));
#endif
}

bool WritePicture(const std::string& path, PictureType type, const Picture& picture, std::string* error) {
    if (type == PictureType::Unknown) return Fail(error, "unknown picture type (use .png, .pam or .exr)");
    if (!PictureTypeBuilt(type)) return Fail(error, NotBuilt(type));
    return WriteWholeFile(
        path, [&](std::FILE* file, std::string* e) { return WritePicture(file, type, picture, e); }, error);
}

}  // namespace kvtool
