#pragma once
// Reader for .spi1d files: a 1D table over an input range, as a process list.

#include <string>
#include <string_view>

#include "lut_engine/ProcessList.h"

namespace kv {

// Fills `list` from the bytes of a .spi1d file: a diagonal MatrixStep that
// maps the file's From range onto 0..1 (none for a 0..1 range), then a
// Lut1DStep with every value finite; list.format is "spi1d". Returns false
// for bad input and, when `error` is given, assigns one of the fixed
// messages of ReaderMessages.h to it; `list` must then be discarded. Never
// throws for bad input and reads nothing beyond text.size().
bool ReadSpi1dFile(std::string_view text, ProcessList& list, std::string* error = nullptr);

}  // namespace kv
