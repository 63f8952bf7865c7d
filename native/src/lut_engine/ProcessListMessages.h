#pragma once
// The fixed messages of the XML reader and of the process-list files read
// through it (CLF, ASC CDL), beside ReaderMessages.h's for the text formats.
// Callers and tests compare them byte for byte.

#include <string_view>

#include "lut_engine/ReaderMessages.h"

namespace kv::messages {

// XML
inline constexpr std::string_view kXmlTooLarge = "XML file larger than 256 MiB";
inline constexpr std::string_view kXmlNotUtf8 = "XML text is not valid UTF-8";
inline constexpr std::string_view kXmlBadCharacter = "character that XML does not allow";
inline constexpr std::string_view kXmlBadDeclaration = "malformed XML declaration";
inline constexpr std::string_view kXmlUnknownEncoding = "XML encoding other than UTF-8, US-ASCII or ISO-8859-1";
inline constexpr std::string_view kXmlMisplacedDeclaration = "XML declaration not at the start of the file";
inline constexpr std::string_view kXmlDoctype = "XML document type declaration (not read, nor its entities)";
inline constexpr std::string_view kXmlMalformedTag = "malformed XML tag";
inline constexpr std::string_view kXmlMalformedComment = "malformed XML comment";
inline constexpr std::string_view kXmlMalformedInstruction = "malformed XML processing instruction";
inline constexpr std::string_view kXmlMalformedCData = "unterminated XML CDATA section";
inline constexpr std::string_view kXmlBadReference = "malformed or undefined XML reference";
inline constexpr std::string_view kXmlBadCharReference = "XML character reference to a character XML does not allow";
inline constexpr std::string_view kXmlCDataEndInText = "\"]]>\" in XML text";
inline constexpr std::string_view kXmlDuplicateAttribute = "XML attribute given twice";
inline constexpr std::string_view kXmlTooManyAttributes = "XML element with more than 256 attributes";
inline constexpr std::string_view kXmlTooManyNodes = "XML file with too many elements, attributes or text pieces";
inline constexpr std::string_view kXmlTooDeep = "XML elements nested deeper than 64 levels";
inline constexpr std::string_view kXmlMismatchedEndTag = "XML end tag that does not match its start tag";
inline constexpr std::string_view kXmlUnclosed = "XML element not closed at the end of the file";
inline constexpr std::string_view kXmlNoRoot = "no XML root element";
inline constexpr std::string_view kXmlOutsideRoot = "XML content outside the root element";


// Shared by the XML LUT readers (CLF and ASC CDL)
inline constexpr std::string_view kXmlLutBadNumber = "malformed number";
inline constexpr std::string_view kXmlLutNotFinite = "value not finite as a 32-bit float";
inline constexpr std::string_view kXmlLutTextInContainer = "text in an element that holds only elements";

// CLF files: the ProcessList
inline constexpr std::string_view kClfNotProcessList = "not a CLF file (the root element is not ProcessList)";
inline constexpr std::string_view kClfCtfVersion = "CTF file (ProcessList with a version attribute), not CLF";
inline constexpr std::string_view kClfEmptyAttribute = "ProcessList id, name or inverseOf attribute is empty";
inline constexpr std::string_view kClfVersionTwice = "ProcessList with compCLFversion given twice";
inline constexpr std::string_view kClfNoId = "ProcessList without an id";
inline constexpr std::string_view kClfNoVersion = "ProcessList without compCLFversion";
inline constexpr std::string_view kClfBadVersion = "compCLFversion is not MAJOR[.MINOR[.REVISION]]";
inline constexpr std::string_view kClfUnsupportedVersion = "compCLFversion above 3";
inline constexpr std::string_view kClfNoNodes = "ProcessList without a process node";
inline constexpr std::string_view kClfTooManyNodes = "ProcessList with more than 64 process nodes";
inline constexpr std::string_view kClfNodeNeedsVersion3 = "Log or Exponent node in a file of compCLFversion 2 or below";
// Followed by the node's name as the file spells it (at most 64 characters).
inline constexpr std::string_view kClfCtfNodePrefix = "process node that only CTF files hold: ";
inline constexpr std::string_view kClfUnknownNodePrefix = "unknown process node ";

// CLF files: every node
inline constexpr std::string_view kClfMissingBitDepth = "process node without inBitDepth or outBitDepth";
inline constexpr std::string_view kClfBadBitDepth = "bit depth other than 8i, 10i, 12i, 16i, 16f or 32f";
inline constexpr std::string_view kClfBitDepthMismatch = "inBitDepth differs from the previous node's outBitDepth";

// CLF files: Matrix, LUT1D and LUT3D
inline constexpr std::string_view kClfNoArray = "Matrix, LUT1D or LUT3D without an Array";
inline constexpr std::string_view kClfTwoArrays = "Matrix, LUT1D or LUT3D with more than one Array";
inline constexpr std::string_view kClfIndexMap = "IndexMap (not read)";
inline constexpr std::string_view kClfBadDim = "Array dim that does not fit its node";
inline constexpr std::string_view kClfWrongValueCount = "Array holds more or fewer values than its dim";
inline constexpr std::string_view kClfMatrixAlpha = "Matrix that changes alpha or mixes it with colour";
inline constexpr std::string_view kClfLut1DSize = "LUT1D length outside 2..65536";
inline constexpr std::string_view kClfHalfDomainSize = "halfDomain LUT1D without 65536 entries";
inline constexpr std::string_view kClfBadTrue = "halfDomain or rawHalfs other than \"true\"";
inline constexpr std::string_view kClfBadRawHalf = "rawHalfs value not an integer 0..65535";
inline constexpr std::string_view kClfBadHueAdjust = "hueAdjust other than \"dw3\"";
inline constexpr std::string_view kClfBadInterpolation1D = "LUT1D interpolation other than linear";
inline constexpr std::string_view kClfBadInterpolation3D = "LUT3D interpolation other than trilinear or tetrahedral";
inline constexpr std::string_view kClfLut3DSize = "LUT3D size outside 2..129";

// CLF files: Range
inline constexpr std::string_view kClfRangeBadStyle = "Range style other than clamp or noClamp";
inline constexpr std::string_view kClfRangeValue = "Range bound without exactly one number";
inline constexpr std::string_view kClfRangeUnpaired = "Range in bound without its out bound, or the reverse";
inline constexpr std::string_view kClfRangeEmpty = "Range without bounds";
inline constexpr std::string_view kClfRangeOneSided = "one-sided Range whose in and out bounds differ";
inline constexpr std::string_view kClfRangeNoClampOneSided = "noClamp Range without both bounds";
inline constexpr std::string_view kClfRangeInverted = "Range maximum below its minimum";
inline constexpr std::string_view kClfRangeTooNarrow = "Range maxInValue too close to minInValue";

// CLF files: Log
inline constexpr std::string_view kClfLogStyle = "Log style missing or unknown";
inline constexpr std::string_view kClfChannel = "LogParams or ExponentParams channel other than R, G or B";
inline constexpr std::string_view kClfParamValue = "LogParams or ExponentParams value without exactly one number";
inline constexpr std::string_view kClfLogBaseMismatch = "LogParams with different bases";
inline constexpr std::string_view kClfLogBadBase = "Log base not above 0, or 1";
inline constexpr std::string_view kClfLogZeroSlope = "Log logSideSlope or linSideSlope of 0";
inline constexpr std::string_view kClfLogCameraOnly = "linSideBreak or linearSlope in a Log of a non-camera style";
inline constexpr std::string_view kClfLogNoBreak = "camera Log without linSideBreak in every LogParams and on every channel";
inline constexpr std::string_view kClfLogPartialLinearSlope = "camera Log with linearSlope on some channels only";

// CLF files: Exponent
inline constexpr std::string_view kClfExponentStyle = "Exponent style missing or unknown";
inline constexpr std::string_view kClfExponentMissing = "ExponentParams without exponent";
inline constexpr std::string_view kClfExponentNeedsOffset = "monCurve ExponentParams without offset";
inline constexpr std::string_view kClfExponentNoOffset = "offset in the ExponentParams of a basic style";
inline constexpr std::string_view kClfExponentRange =
    "Exponent outside 0.01..100 (basic styles), or 1..10 with offset 0..0.9 (monCurve styles)";

// CLF files: ASC_CDL; ASC CDL values in CLF and in .cc, .ccc and .cdl files
inline constexpr std::string_view kClfCdlStyle = "ASC_CDL style unknown";
inline constexpr std::string_view kCdlSopIncomplete = "SOPNode without Slope, Offset and Power";
inline constexpr std::string_view kCdlSopCount = "Slope, Offset or Power without exactly 3 numbers";
inline constexpr std::string_view kCdlSatCount = "Saturation without exactly 1 number";
inline constexpr std::string_view kCdlNegativeSlope = "CDL slope below 0";
inline constexpr std::string_view kCdlPowerNotPositive = "CDL power not above 0";
inline constexpr std::string_view kCdlNegativeSaturation = "CDL saturation below 0";

// ASC CDL files (.cc, .ccc, .cdl)
inline constexpr std::string_view kCdlNotCdl =
    "not an ASC CDL file (the root is not ColorCorrection, ColorCorrectionCollection or ColorDecisionList)";
inline constexpr std::string_view kCdlNoCorrection = "ASC CDL file without a ColorCorrection";
inline constexpr std::string_view kCdlNestedCorrection = "ColorCorrection inside a ColorCorrection";
inline constexpr std::string_view kCdlDuplicateId = "two ColorCorrections with the same id";

}  // namespace kv::messages
