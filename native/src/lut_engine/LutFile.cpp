#include "lut_engine/LutFile.h"

#include <utility>

#include "lut_engine/CdlFile.h"
#include "lut_engine/ClfFile.h"
#include "lut_engine/CubeFile.h"
#include "lut_engine/LutText.h"
#include "lut_engine/ProcessList.h"
#include "lut_engine/ReaderMessages.h"
#include "lut_engine/Spi1dFile.h"
#include "lut_engine/Spi3dFile.h"
#include "lut_engine/ThreeDlFile.h"
#include "lut_engine/process/PreparedSteps.h"

namespace kv {

namespace {

template <class Reader>
bool ReadProcessList(std::string_view text, Lut3D& lut, std::string* error, Reader&& read) {
    ProcessList list;
    if (!read(text, list, error)) return false;
    // The readers give only complete lists; this is the last guard before
    // the rows index the tables.
    if (!MakeProcessLut(lut, std::move(list))) return messages::Fail(error, messages::kProcessStepMalformed);
    return true;
}

}  // namespace

bool ReadLutFile(std::string_view fileName, std::string_view text, Lut3D& lut, std::string* error,
                 LutFileInfo* info) {
    lut = Lut3D{};
    const LutFileFormat& format = LutFileFormatOf(fileName);
    if (info != nullptr) *info = LutFileInfo{format.kind, {}, 0};
    switch (format.kind) {
        case LutFileKind::k3dl:
            return Read3dlFile(text, lut, error);
        case LutFileKind::kClf:
            return ReadProcessList(text, lut, error, [](auto t, auto& l, auto* e) { return ReadClfFile(t, l, e); });
        case LutFileKind::kCdl: {
            CdlFileInfo cdl;
            const bool read = ReadProcessList(text, lut, error,
                                              [&cdl](auto t, auto& l, auto* e) { return ReadCdlFile(t, l, &cdl, e); });
            if (read && info != nullptr) {
                info->correctionId = cdl.id;
                info->correctionCount = static_cast<int32_t>(cdl.corrections);
            }
            return read;
        }
        case LutFileKind::kSpi1d:
            return ReadProcessList(text, lut, error, [](auto t, auto& l, auto* e) { return ReadSpi1dFile(t, l, e); });
        case LutFileKind::kSpi3d:
            return ReadProcessList(text, lut, error, [](auto t, auto& l, auto* e) { return ReadSpi3dFile(t, l, e); });
        default:
            return ReadCubeFile(text, lut, error, kMaxLutTextSize);
    }
}

}  // namespace kv
