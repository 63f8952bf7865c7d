#pragma once
// The values of an ASC CDL correction, as CLF's ASC_CDL node and the ASC's
// own files (.cc, .ccc, .cdl) both write them under their correction
// element:
//
//   <SOPNode> <Slope>r g b</Slope> <Offset>r g b</Offset> <Power>r g b</Power> </SOPNode>
//   <SatNode> <Saturation>s</Saturation> </SatNode>      (also spelt SATNode)
//
// Either node may be missing (slope 1, offset 0, power 1, saturation 1); a
// SOPNode needs all three of its values, a SatNode may leave Saturation out.
// Other elements (descriptions) are skipped, and a later node or value of the
// same name replaces an earlier one. Slope and saturation may not be
// negative and power must be positive; every value must stay finite as a
// float.

#include <string_view>

#include "lut_engine/ProcessList.h"
#include "lut_engine/XmlReader.h"

namespace kv {

// How element names are matched: CLF files are read without regard to case,
// the ASC's files as written.
enum class CdlNameMatch { kExact, kAnyCase };

// Reads the SOPNode and SatNode children of `parent` into step's slope,
// offset, power and saturation (leaving its style). Returns the failure's
// message, empty on success.
std::string_view ReadCdlValues(const XmlDocument& doc, XmlDocument::Index parent, CdlNameMatch match, CdlStep& step);

}  // namespace kv
