#include "lut_engine/ThreeDlFile.h"

#include "lut_engine/ReaderMessages.h"

namespace kv {

bool Read3dlFile(std::string_view, Lut3D& lut, std::string* error) {
    lut = Lut3D{};
    return messages::Fail(error, messages::k3dlNotReadYet);
}

}  // namespace kv
