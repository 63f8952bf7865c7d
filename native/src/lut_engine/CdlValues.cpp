#include "lut_engine/CdlValues.h"

#include <cmath>

#include "lut_engine/ProcessListMessages.h"
#include "lut_engine/XmlNumbers.h"

namespace kv {
namespace {

namespace msg = messages;
using Index = XmlDocument::Index;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

bool Matches(std::string_view name, std::string_view expected, CdlNameMatch match) {
    if (match == CdlNameMatch::kExact) return name == expected;
    if (name.size() != expected.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (Lower(name[i]) != Lower(expected[i])) return false;
    }
    return true;
}

// Reads exactly `count` numbers from the element's text.
std::string_view ReadValues(const XmlDocument& doc, Index element, double* values, size_t count,
                            std::string_view countMessage) {
    size_t n = 0;
    const bool read = ForEachNumber(doc, element, [&](double v) {
        if (n < count) values[n] = v;
        return ++n <= count;
    });
    if (!read && n <= count) return msg::kXmlLutBadNumber;
    if (n != count) return countMessage;
    return {};
}

std::string_view ReadSopNode(const XmlDocument& doc, Index sop, CdlNameMatch match, double values[9]) {
    if (!doc.TextIsBlank(sop)) return msg::kXmlLutTextInContainer;
    static constexpr std::string_view kNames[3] = {"Slope", "Offset", "Power"};
    bool seen[3] = {false, false, false};
    for (Index child = doc.FirstChild(sop); child != XmlDocument::kNone; child = doc.NextSibling(child)) {
        for (int k = 0; k < 3; ++k) {
            if (!Matches(doc.Name(child), kNames[k], match)) continue;
            if (const auto failure = ReadValues(doc, child, values + 3 * k, 3, msg::kCdlSopCount); !failure.empty()) {
                return failure;
            }
            seen[k] = true;
        }
    }
    if (!seen[0] || !seen[1] || !seen[2]) return msg::kCdlSopIncomplete;
    return {};
}

std::string_view ReadSatNode(const XmlDocument& doc, Index sat, CdlNameMatch match, double& saturation) {
    if (!doc.TextIsBlank(sat)) return msg::kXmlLutTextInContainer;
    for (Index child = doc.FirstChild(sat); child != XmlDocument::kNone; child = doc.NextSibling(child)) {
        if (!Matches(doc.Name(child), "Saturation", match)) continue;
        if (const auto failure = ReadValues(doc, child, &saturation, 1, msg::kCdlSatCount); !failure.empty()) {
            return failure;
        }
    }
    return {};
}

bool StoreFinite(double value, float& out) {
    out = static_cast<float>(value);
    return std::isfinite(out);
}

}  // namespace

std::string_view ReadCdlValues(const XmlDocument& doc, Index parent, CdlNameMatch match, CdlStep& step) {
    double sop[9] = {1, 1, 1, 0, 0, 0, 1, 1, 1};
    double saturation = 1.0;
    for (Index child = doc.FirstChild(parent); child != XmlDocument::kNone; child = doc.NextSibling(child)) {
        const std::string_view name = doc.Name(child);
        std::string_view failure;
        if (Matches(name, "SOPNode", match)) {
            failure = ReadSopNode(doc, child, match, sop);
        } else if (Matches(name, "SatNode", match) || Matches(name, "SATNode", match)) {
            failure = ReadSatNode(doc, child, match, saturation);
        }
        if (!failure.empty()) return failure;
    }
    CdlStep values = step;
    for (int c = 0; c < 3; ++c) {
        if (!StoreFinite(sop[c], values.slope[c]) || !StoreFinite(sop[3 + c], values.offset[c]) ||
            !StoreFinite(sop[6 + c], values.power[c])) {
            return msg::kXmlLutNotFinite;
        }
    }
    if (!StoreFinite(saturation, values.saturation)) return msg::kXmlLutNotFinite;
    // Checked as written and as stored: a power too small for a float is 0
    // there, a slope just below 0 is -0 there.
    for (int c = 0; c < 3; ++c) {
        if (!(sop[c] >= 0.0)) return msg::kCdlNegativeSlope;
        if (!(sop[6 + c] > 0.0 && values.power[c] > 0.0f)) return msg::kCdlPowerNotPositive;
    }
    if (!(saturation >= 0.0)) return msg::kCdlNegativeSaturation;
    step = values;
    return {};
}

}  // namespace kv
