#pragma once
// The fixed messages that the LUT text and .cube readers hand to their
// callers, which log them. Callers and tests compare them byte for byte.

#include <string>
#include <string_view>

namespace kv::messages {

// How a reader fails: the message goes to the caller's error text, if given.
inline bool Fail(std::string* error, std::string_view message) {
    if (error != nullptr) error->assign(message);
    return false;
}

// LUT text
inline constexpr std::string_view kBadPatternSize = "bad calibration pattern size";
inline constexpr std::string_view kBadPatternArea = "bad calibration pattern area";
inline constexpr std::string_view kNotLut3 =
    "not a Kromvale LUT (expected KVLUT3 <id> <name> <size> <lo> <hi> <data>)";
inline constexpr std::string_view kNotLut2 = "not a Kromvale LUT (expected KVLUT2 <id> <size> <lo> <hi> <data>)";
inline constexpr std::string_view kNotLut4 =
    "not a Kromvale LUT (expected KVLUT4 <id> <name> <size> <1D size> <domain> <1D ranges> <encodings> <data>)";
inline constexpr std::string_view kLutSizeOutOfRange = "LUT size out of range";
inline constexpr std::string_view kLut1DSizeOutOfRange = "LUT 1D size out of range";
inline constexpr std::string_view kLutBadDomain = "LUT domain or 1D range is empty or not finite";
inline constexpr std::string_view kLutDataTruncated = "LUT data is truncated";
inline constexpr std::string_view kNotLut5 =
    "not a Kromvale LUT (expected KVLUT5 <id> <name> <format> <steps> <data>)";
inline constexpr std::string_view kProcessStepCount = "process list step count out of range";
inline constexpr std::string_view kProcessStepMalformed = "malformed process list step";

// .cube files
inline constexpr std::string_view kCubeSizeOutOfRange = "LUT_3D_SIZE out of range";
inline constexpr std::string_view kCube1DSizeOutOfRange = "LUT_1D_SIZE out of range";
inline constexpr std::string_view kCube1DWrongCount = "wrong number of 1D table lines";
inline constexpr std::string_view kCube1DSizeAfterData = "LUT_1D_SIZE after the first data line";
inline constexpr std::string_view kCube1DRangeWithoutTable =
    "LUT_1D_INPUT_RANGE without a 1D table (other tools ignore it; give the 3D range as LUT_3D_INPUT_RANGE)";
inline constexpr std::string_view kCubeMixedDomainKeywords = "DOMAIN_MIN/MAX mixed with LUT_1D/3D_INPUT_RANGE";
inline constexpr std::string_view kCubeDomainWithTwoTables = "DOMAIN_MIN/MAX in a file with both a 1D and a 3D table";
inline constexpr std::string_view kCubeKeywordWithRange =
    "a TITLE line beside a 3D input range other than 0..1 (other tools read such files as 0..1)";
inline constexpr std::string_view kCubeMalformedLine = "malformed data line";
inline constexpr std::string_view kCubeNoSize = "no LUT_3D_SIZE";
inline constexpr std::string_view kCubeWrongCount = "wrong number of values";
inline constexpr std::string_view kCubeBadDomain = "bad DOMAIN_MIN/MAX";
inline constexpr std::string_view kCubeBad1DInputRange = "bad LUT_1D_INPUT_RANGE";
inline constexpr std::string_view kCubeBad3DInputRange = "bad LUT_3D_INPUT_RANGE";
inline constexpr std::string_view kCubeBadVideoIn = "LUT_IN_VIDEO_RANGE with more on its line";
inline constexpr std::string_view kCubeBadVideoOut = "LUT_OUT_VIDEO_RANGE with more on its line";
inline constexpr std::string_view kCubeVideoRangeNotFinite = "input range not finite once mapped from video range";
inline constexpr std::string_view kCubeTooManyValues = "more values than the largest LUT holds";
// Followed by the keyword as the file spells it (at most 64 characters).
inline constexpr std::string_view kCubeUnknownKeywordPrefix = "unknown keyword ";

// Every LUT file
inline constexpr std::string_view kLineWithNul = "line holding a NUL byte";
inline constexpr std::string_view kLutFileTooLarge = "LUT file larger than 256 MiB";

// .3dl files
inline constexpr std::string_view k3dlLineTooLong = ".3dl line longer than 4095 characters";
inline constexpr std::string_view k3dlMarkup = ".3dl line starting with \"<\"";
inline constexpr std::string_view k3dlShortLine = ".3dl line with fewer than 3 values";
inline constexpr std::string_view k3dlTwoMeshes = ".3dl file with more than one input-positions line";
inline constexpr std::string_view k3dlTooManyNodes = ".3dl table larger than 129 nodes per axis";
inline constexpr std::string_view k3dlNoTable = ".3dl file without a 3D table or a shaping mesh";
inline constexpr std::string_view k3dlNotCodes = ".3dl values too small for integer codes (largest below 128)";
inline constexpr std::string_view k3dlNotACube = ".3dl node count is not a whole cube of 2 or more per axis";
inline constexpr std::string_view k3dlMeshTooLong = ".3dl input-positions line with more than 65536 entries";

// .spi1d and .spi3d files
inline constexpr std::string_view kSpiHeaderLineTooLong = ".spi header line longer than 4095 characters";
inline constexpr std::string_view kSpiNumberTooLong = ".spi number longer than 63 characters";
inline constexpr std::string_view kSpi1dBadVersion = ".spi1d Version line other than \"Version 1\"";
inline constexpr std::string_view kSpi1dBadFrom = ".spi1d From line without two floats";
inline constexpr std::string_view kSpi1dBadLength = ".spi1d Length line without a number";
inline constexpr std::string_view kSpi1dBadComponents = ".spi1d Components line without a number";
inline constexpr std::string_view kSpi1dNoVersion = ".spi1d file without a Version line";
inline constexpr std::string_view kSpi1dNoLength = ".spi1d file without a Length line";
inline constexpr std::string_view kSpi1dLengthOutOfRange = ".spi1d Length outside 2..65536";
inline constexpr std::string_view kSpi1dNoComponents = ".spi1d file without a Components line";
inline constexpr std::string_view kSpi1dComponentsOutOfRange = ".spi1d Components other than 1, 2 or 3";
inline constexpr std::string_view kSpi1dUnusableFrom = ".spi1d From range empty or not finite";
inline constexpr std::string_view kSpi1dMalformedLine = ".spi1d table line without as many values as Components";
inline constexpr std::string_view kSpi1dBadValue = ".spi1d table value that is not a float";
inline constexpr std::string_view kSpi1dTooManyValues = ".spi1d table longer than Length";
inline constexpr std::string_view kSpi1dTooFewValues = ".spi1d table shorter than Length";
inline constexpr std::string_view kSpi3dNotSpilut = ".spi3d file not starting with SPILUT";
inline constexpr std::string_view kSpi3dBadSizes = ".spi3d third line without three sizes";
inline constexpr std::string_view kSpi3dUnequalSizes = ".spi3d sizes that differ between axes";
inline constexpr std::string_view kSpi3dSizeOutOfRange = ".spi3d size outside 2..129";
inline constexpr std::string_view kSpi3dBadValue = ".spi3d node value that is not a float";
inline constexpr std::string_view kSpi3dNodeOutside = ".spi3d node index outside the table";
inline constexpr std::string_view kSpi3dRepeatedNode = ".spi3d node given twice";
inline constexpr std::string_view kSpi3dMissingNodes = ".spi3d table without every node";

}  // namespace kv::messages
