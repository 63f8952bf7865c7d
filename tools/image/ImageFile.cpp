#include "image/ImageFile.h"

#include "image/PamFile.h"
#ifdef KV_HAVE_PNG
#include "image/PngFile.h"
#endif

namespace kvtool {
namespace {

bool EndsWith(const std::string& s, const char* suffix) {
    const std::string tail(suffix);
    if (s.size() < tail.size()) return false;
    for (std::size_t i = 0; i < tail.size(); ++i) {
        char c = s[s.size() - tail.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != tail[i]) return false;
    }
    return true;
}

}  // namespace

bool PngSupported() {
#ifdef KV_HAVE_PNG
    return true;
#else
    return false;
#endif
}

bool ReadImage(const std::string& path, Image& image, std::string* error) {
    if (EndsWith(path, ".pam")) return ReadPam(path, image, error);
    if (EndsWith(path, ".png")) {
#ifdef KV_HAVE_PNG
        return ReadPng(path, image, error);
#else
        if (error) *error = "this build reads .pam pictures only";
        return false;
#endif
    }
    if (error) *error = "unknown picture type (use .png or .pam)";
    return false;
}

bool WriteImage(const std::string& path, const Image& image, std::string* error) {
    if (EndsWith(path, ".pam")) return WritePam(path, image, error);
    if (EndsWith(path, ".png")) {
#ifdef KV_HAVE_PNG
        return WritePng(path, image, error);
#else
        if (error) *error = "this build writes .pam pictures only";
        return false;
#endif
    }
    if (error) *error = "unknown picture type (use .png or .pam)";
    return false;
}

}  // namespace kvtool
