#pragma once
// Reader for the ASC's CDL files, each an XML file of one or more
// corrections:
//
//   .cc   <ColorCorrection id="..."> SOPNode? SatNode? </ColorCorrection>
//   .ccc  <ColorCorrectionCollection> <ColorCorrection>... </ColorCorrectionCollection>
//   .cdl  <ColorDecisionList> <ColorDecision> <ColorCorrection>... </ColorDecision>...
//
// The kind is the root element's (not the file name's); names are matched as
// written, and any default namespace is taken. The first correction is read
// (every one is checked), as a CDL without clamping: the style other tools
// give these files. CdlValues.h has the values' rules.

#include <cstddef>
#include <string>
#include <string_view>

#include "lut_engine/ProcessList.h"

namespace kv {

// What the log line says about the correction read.
struct CdlFileInfo {
    std::string id;          // its id attribute, empty when it has none
    size_t corrections = 0;  // how many the file held
};

// Fills `list` with one CdlStep (style kFwdNoClamp; format "CDL") from the
// bytes of a .cc, .ccc or .cdl file, and `info`, when given. Returns false for
// bad input and, when `error` is given, assigns one of the fixed messages of
// ProcessListMessages.h to it; `list` and `info` must then be discarded.
// Never throws for bad input and reads nothing beyond text.size().
bool ReadCdlFile(std::string_view text, ProcessList& list, CdlFileInfo* info, std::string* error = nullptr);

}  // namespace kv
