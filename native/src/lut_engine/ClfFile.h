#pragma once
// Reader for CLF files (the Common LUT Format: a process list in XML).
//
//   <ProcessList compCLFversion="3" id="...">   (or xmlns="http://www.smpte-ra.org/ns/2136-1/2024")
//     <Description>, <InputDescriptor>, <OutputDescriptor>, <Info>, <Id>   metadata, skipped
//     <Matrix inBitDepth=".." outBitDepth=".."> <Array dim="3 3|3 4|4 4|4 5">...</Array> </Matrix>
//     <LUT1D ... interpolation? halfDomain? rawHalfs? hueAdjust?> <Array dim="N 1|N 3"> </LUT1D>
//     <LUT3D ... interpolation?> <Array dim="N N N 3"> </LUT3D>
//     <Range ... style?> <minInValue> <maxInValue> <minOutValue> <maxOutValue> </Range>
//     <Log ... style> <LogParams channel? base? logSideSlope? ...>* </Log>
//     <Exponent ... style> <ExponentParams channel? exponent offset?>* </Exponent>
//     <ASC_CDL ... style?> <SOPNode>? <SatNode>? </ASC_CDL>
//   </ProcessList>
//
// compCLFversion is MAJOR[.MINOR[.REVISION]] up to 3; up to 2.0 the file is
// the older dialect, without Log and Exponent nodes. A ProcessList in the
// SMPTE ST 2136-1 namespace needs neither compCLFversion nor id (it is read
// as version 3). Each node's bit depths (8i, 10i, 12i, 16i, 16f, 32f) only
// scale its stored values, which the list holds normalised; a node's
// inBitDepth must equal the previous node's outBitDepth.
//
// Refused with the node's name: IndexMap, the nodes only CTF files hold
// (Gamma, FixedFunction, ...) and any node not listed above. Matrices must
// leave alpha alone; tables keep to the model's sizes.

#include <string>
#include <string_view>

#include "lut_engine/ProcessList.h"

namespace kv {

// The SMPTE ST 2136-1 namespace of a ProcessList.
inline constexpr std::string_view kClfSmpteNamespace = "http://www.smpte-ra.org/ns/2136-1/2024";

// Fills `list` (steps in file order, format "CLF") from the bytes of a CLF
// file. Returns false for bad input and, when `error` is given, assigns one
// of the messages of ProcessListMessages.h to it (a refused node's message
// ends with its name); `list` must then be discarded. Never throws for bad
// input and reads nothing beyond text.size(). A list read is complete
// (IsCompleteProcessList), every parameter finite; table values that are not
// finite are read as TableValue.h says.
bool ReadClfFile(std::string_view text, ProcessList& list, std::string* error = nullptr);

}  // namespace kv
