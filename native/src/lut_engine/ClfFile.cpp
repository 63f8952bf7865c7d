#include "lut_engine/ClfFile.h"

#include <array>
#include <cstdint>

#include "lut_engine/ClfNodes.h"
#include "lut_engine/ProcessListMessages.h"
#include "lut_engine/XmlReader.h"

namespace kv {
namespace {

namespace msg = messages;
using clf::Index;
using clf::NameIs;

// What the file's root says about its dialect.
enum class Dialect { kVersion2, kVersion3 };

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// MAJOR[.MINOR[.REVISION]], decimal digits only; components saturate, which
// keeps any huge one above 3.
bool ParseVersion(std::string_view text, std::array<uint64_t, 3>& version) {
    version = {0, 0, 0};
    size_t part = 0;
    size_t pos = 0;
    for (;;) {
        const size_t start = pos;
        while (pos < text.size() && IsDigit(text[pos])) {
            uint64_t& v = version[part];
            v = v > 1000000 ? v : v * 10 + static_cast<uint64_t>(text[pos] - '0');
            ++pos;
        }
        if (pos == start) return false;
        if (pos == text.size()) return true;
        if (text[pos] != '.' || ++part == 3) return false;
        ++pos;
    }
}

// The ProcessList's attributes: version or namespace, id, name, inverseOf.
std::string_view ReadRoot(const XmlDocument& doc, Index root, Dialect& dialect) {
    bool smpte = false;
    size_t versions = 0;
    std::string_view compVersion;
    for (size_t i = 0; i < doc.AttributeCount(root); ++i) {
        const std::string_view name = doc.AttributeName(root, i);
        const std::string_view value = doc.AttributeValue(root, i);
        if (NameIs(name, "compCLFversion")) {
            ++versions;
            compVersion = value;
        } else if (NameIs(name, "xmlns")) {
            smpte |= value == kClfSmpteNamespace;
        } else if (NameIs(name, "version")) {
            return msg::kClfCtfVersion;
        } else if ((NameIs(name, "name") || NameIs(name, "inverseOf") || NameIs(name, "id")) && value.empty()) {
            return msg::kClfEmptyAttribute;
        }
    }
    if (versions > 1) return msg::kClfVersionTwice;
    if (!clf::FindAttribute(doc, root, "id") && !smpte) return msg::kClfNoId;
    dialect = Dialect::kVersion3;
    if (versions == 0) return smpte ? std::string_view() : msg::kClfNoVersion;
    // Files in the SMPTE namespace may name that standard as their version.
    if (smpte && compVersion == "ST2136-1:2024") return {};
    std::array<uint64_t, 3> version;
    if (!ParseVersion(compVersion, version)) return msg::kClfBadVersion;
    if (version > std::array<uint64_t, 3>{3, 0, 0}) return msg::kClfUnsupportedVersion;
    if (version <= std::array<uint64_t, 3>{2, 0, 0}) dialect = Dialect::kVersion2;
    return {};
}

// The scale of a bit depth's values: its largest code, 1 for float depths;
// 0 for a name that is not a bit depth.
double BitDepthScale(std::string_view depth) {
    static constexpr struct {
        std::string_view name;
        double scale;
    } kDepths[] = {{"8i", 255.0}, {"10i", 1023.0}, {"12i", 4095.0}, {"16i", 65535.0}, {"16f", 1.0}, {"32f", 1.0}};
    for (const auto& d : kDepths) {
        if (NameIs(depth, d.name)) return d.scale;
    }
    return 0.0;
}

// The kinds of elements a ProcessList holds.
enum class Child { kMetadata, kMatrix, kLut1D, kLut3D, kRange, kLog, kExponent, kAscCdl, kCtfOnly, kUnknown };

Child Classify(std::string_view name) {
    static constexpr std::string_view kMetadata[] = {"Description", "InputDescriptor", "OutputDescriptor", "Info",
                                                     "Id"};
    // Nodes of the CTF dialect, which shares CLF's syntax but not its nodes.
    static constexpr std::string_view kCtfOnly[] = {"ACES",           "ExposureContrast", "FixedFunction",
                                                    "Function",       "Gamma",            "GradingPrimary",
                                                    "GradingRGBCurve", "GradingTone",     "GradingHueCurve",
                                                    "InverseLUT1D",   "InverseLUT3D",     "Reference"};
    static constexpr struct {
        std::string_view name;
        Child kind;
    } kNodes[] = {{"Matrix", Child::kMatrix}, {"LUT1D", Child::kLut1D},       {"LUT3D", Child::kLut3D},
                  {"Range", Child::kRange},   {"Log", Child::kLog},           {"Exponent", Child::kExponent},
                  {"ASC_CDL", Child::kAscCdl}};
    for (const std::string_view m : kMetadata) {
        if (NameIs(name, m)) return Child::kMetadata;
    }
    for (const auto& node : kNodes) {
        if (NameIs(name, node.name)) return node.kind;
    }
    for (const std::string_view c : kCtfOnly) {
        if (NameIs(name, c)) return Child::kCtfOnly;
    }
    return Child::kUnknown;
}

// A fixed prefix and the element's name as written, printable ASCII only
// and at most 64 characters.
std::string NamedMessage(std::string_view prefix, std::string_view name) {
    std::string message(prefix);
    for (const char c : name.substr(0, 64)) message.push_back(c > ' ' && c < 127 ? c : '?');
    return message;
}

// The node's bit depths, checked against the previous node's output depth
// (empty before the first node).
std::string_view ReadBitDepths(const XmlDocument& doc, Index node, std::string_view& previousOut, double& inScale,
                               double& outScale) {
    const auto in = clf::FindAttribute(doc, node, "inBitDepth");
    const auto out = clf::FindAttribute(doc, node, "outBitDepth");
    if (!in || !out) return msg::kClfMissingBitDepth;
    inScale = BitDepthScale(*in);
    outScale = BitDepthScale(*out);
    if (inScale == 0.0 || outScale == 0.0) return msg::kClfBadBitDepth;
    if (!previousOut.empty() && !NameIs(*in, previousOut)) return msg::kClfBitDepthMismatch;
    previousOut = *out;
    return {};
}

std::string ReadNodes(const XmlDocument& doc, Index root, Dialect dialect, ProcessList& list) {
    std::string_view previousOut;
    for (Index child = doc.FirstChild(root); child != XmlDocument::kNone; child = doc.NextSibling(child)) {
        const std::string_view name = doc.Name(child);
        const Child kind = Classify(name);
        if (kind == Child::kMetadata) continue;
        if (kind == Child::kCtfOnly) return NamedMessage(msg::kClfCtfNodePrefix, name);
        if (kind == Child::kUnknown) return NamedMessage(msg::kClfUnknownNodePrefix, name);
        if ((kind == Child::kLog || kind == Child::kExponent) && dialect == Dialect::kVersion2) {
            return std::string(msg::kClfNodeNeedsVersion3);
        }
        if (list.steps.size() == kMaxProcessSteps) return std::string(msg::kClfTooManyNodes);
        if (!doc.TextIsBlank(child)) return std::string(msg::kXmlLutTextInContainer);
        double inScale = 1.0, outScale = 1.0;
        if (const auto failure = ReadBitDepths(doc, child, previousOut, inScale, outScale); !failure.empty()) {
            return std::string(failure);
        }
        const clf::NodeContext node{doc, child, inScale, outScale};
        std::string_view failure;
        switch (kind) {
            case Child::kMatrix: failure = clf::ReadMatrixNode(node, list); break;
            case Child::kLut1D: failure = clf::ReadLut1DNode(node, list); break;
            case Child::kLut3D: failure = clf::ReadLut3DNode(node, list); break;
            case Child::kRange: failure = clf::ReadRangeNode(node, list); break;
            case Child::kLog: failure = clf::ReadLogNode(node, list); break;
            case Child::kExponent: failure = clf::ReadExponentNode(node, list); break;
            case Child::kAscCdl: failure = clf::ReadAscCdlNode(node, list); break;
            default: break;
        }
        if (!failure.empty()) return std::string(failure);
    }
    if (list.steps.empty()) return std::string(msg::kClfNoNodes);
    return {};
}

}  // namespace

bool ReadClfFile(std::string_view text, ProcessList& list, std::string* error) {
    list = ProcessList();
    XmlDocument doc;
    if (!ReadXml(text, doc, error)) return false;
    const Index root = doc.Root();
    // Only the exact name: other readers find a CLF file by this very text.
    if (doc.Name(root) != "ProcessList") return msg::Fail(error, msg::kClfNotProcessList);
    Dialect dialect = Dialect::kVersion3;
    if (const auto failure = ReadRoot(doc, root, dialect); !failure.empty()) return msg::Fail(error, failure);
    if (!doc.TextIsBlank(root)) return msg::Fail(error, msg::kXmlLutTextInContainer);
    if (const std::string failure = ReadNodes(doc, root, dialect, list); !failure.empty()) {
        list = ProcessList();
        return msg::Fail(error, failure);
    }
    list.format = "CLF";
    return true;
}

}  // namespace kv
