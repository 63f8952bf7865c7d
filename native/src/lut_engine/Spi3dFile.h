#pragma once
// Reader for .spi3d files: a 3D table whose nodes are listed with their
// indices, as a process list.

#include <string>
#include <string_view>

#include "lut_engine/ProcessList.h"

namespace kv {

// Fills `list` from the bytes of a .spi3d file: one trilinear Lut3DStep,
// nodes red fastest, every value finite; list.format is "spi3d". Returns
// false for bad input and, when `error` is given, assigns one of the fixed
// messages of ReaderMessages.h to it; `list` must then be discarded. Never
// throws for bad input, reads nothing beyond text.size() and allocates the
// table only when the text is long enough to list every node.
bool ReadSpi3dFile(std::string_view text, ProcessList& list, std::string* error = nullptr);

}  // namespace kv
