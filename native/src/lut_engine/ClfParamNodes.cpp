// The CLF nodes whose values are parameters: Range, Log, Exponent and
// ASC_CDL. Only Range's values depend on the bit depths (in bounds divided by
// inScale, out bounds by outScale); the others act on normalised values.
// Limits follow what other CLF readers refuse, checked on the values as
// written and again once they are floats.

#include <cmath>
#include <optional>

#include "lut_engine/CdlValues.h"
#include "lut_engine/ClfNodes.h"
#include "lut_engine/ProcessListMessages.h"

namespace kv::clf {
namespace {

namespace msg = messages;

// A style attribute's value among `names` (any case); nullopt when missing
// or unknown.
template <class Style, size_t N>
std::optional<Style> ReadStyle(const NodeContext& node, const std::string_view (&names)[N], const Style (&styles)[N]) {
    const auto value = FindAttribute(node.doc, node.node, "style");
    if (!value) return std::nullopt;
    for (size_t i = 0; i < N; ++i) {
        if (NameIs(*value, names[i])) return styles[i];
    }
    return std::nullopt;
}

// A params element's channel attribute: R, G or B (any case) picks one
// channel, no attribute all three; false for anything else.
bool ReadChannels(const XmlDocument& doc, Index params, bool channels[3]) {
    const auto channel = FindAttribute(doc, params, "channel");
    for (int c = 0; c < 3; ++c) channels[c] = !channel || NameIs(*channel, std::string_view("RGB").substr(c, 1));
    return !channel || channels[0] || channels[1] || channels[2];
}

// Two bounds differ by more than 1e-6: absolutely where `out` is within 1e-3
// of 0, relatively to it elsewhere.
bool BoundsDiffer(double out, double in) {
    return std::fabs(out) < 1e-3 ? std::fabs(out - in) > 1e-6 : std::fabs(1.0 - in / out) > 1e-6;
}

}  // namespace

std::string_view ReadRangeNode(const NodeContext& node, ProcessList& list) {
    bool clamp = true;
    if (const auto style = FindAttribute(node.doc, node.node, "style")) {
        if (NameIs(*style, "noClamp")) {
            clamp = false;
        } else if (!NameIs(*style, "clamp")) {
            return msg::kClfRangeBadStyle;
        }
    }
    static constexpr std::string_view kNames[4] = {"minInValue", "maxInValue", "minOutValue", "maxOutValue"};
    double bound[4] = {0, 0, 0, 0};
    bool has[4] = {false, false, false, false};
    for (Index child = node.doc.FirstChild(node.node); child != XmlDocument::kNone;
         child = node.doc.NextSibling(child)) {
        for (int k = 0; k < 4; ++k) {
            if (!NameIs(node.doc.Name(child), kNames[k])) continue;
            if (!ReadOneNumber(node.doc, child, bound[k])) return msg::kClfRangeValue;
            has[k] = true;
        }
    }
    const double minIn = bound[0] / node.inScale, maxIn = bound[1] / node.inScale;
    const double minOut = bound[2] / node.outScale, maxOut = bound[3] / node.outScale;
    const bool hasMin = has[0], hasMax = has[1];
    if (has[0] != has[2] || has[1] != has[3]) return msg::kClfRangeUnpaired;
    if (!hasMin && !hasMax) return msg::kClfRangeEmpty;
    // With one bound only, the range clamps there and maps nothing: its in
    // and out values must agree once normalised, to within what the bit
    // depths' scales leave of a value written as a code.
    if (!hasMax && BoundsDiffer(minOut, minIn)) return msg::kClfRangeOneSided;
    if (!hasMin && BoundsDiffer(maxOut, maxIn)) return msg::kClfRangeOneSided;
    if (!clamp && !(hasMin && hasMax)) return msg::kClfRangeNoClampOneSided;
    RangeStep step;
    step.hasMin = hasMin;
    step.hasMax = hasMax;
    step.clamp = clamp;
    if ((hasMin && (!ToFiniteFloat(minIn, step.minIn) || !ToFiniteFloat(minOut, step.minOut))) ||
        (hasMax && (!ToFiniteFloat(maxIn, step.maxIn) || !ToFiniteFloat(maxOut, step.maxOut)))) {
        return msg::kXmlLutNotFinite;
    }
    if (hasMin && hasMax) {
        if (maxIn < minIn || maxOut < minOut) return msg::kClfRangeInverted;
        if (std::fabs(maxIn - minIn) < 1e-6 || !(step.maxIn > step.minIn)) return msg::kClfRangeTooNarrow;
    }
    list.steps.emplace_back(step);
    return {};
}

std::string_view ReadLogNode(const NodeContext& node, ProcessList& list) {
    static constexpr std::string_view kNames[] = {"log10",    "log2",     "antiLog10",      "antiLog2",
                                                  "linToLog", "logToLin", "cameraLinToLog", "cameraLogToLin"};
    static constexpr LogStyle kStyles[] = {LogStyle::kLog10,    LogStyle::kLog2,     LogStyle::kAntiLog10,
                                           LogStyle::kAntiLog2, LogStyle::kLinToLog, LogStyle::kLogToLin,
                                           LogStyle::kCameraLinToLog, LogStyle::kCameraLogToLin};
    const auto style = ReadStyle(node, kNames, kStyles);
    if (!style) return msg::kClfLogStyle;
    LogStep step;
    step.style = *style;
    switch (*style) {
        case LogStyle::kLog10:
        case LogStyle::kAntiLog10: step.base = 10.0f; break;
        case LogStyle::kLog2:
        case LogStyle::kAntiLog2: step.base = 2.0f; break;
        default: break;
    }
    const bool camera = *style == LogStyle::kCameraLinToLog || *style == LogStyle::kCameraLogToLin;
    const bool parametric = camera || *style == LogStyle::kLinToLog || *style == LogStyle::kLogToLin;
    if (!parametric) {
        // The fixed styles take no parameters; LogParams there are skipped.
        list.steps.emplace_back(step);
        return {};
    }
    if (camera && FindChild(node.doc, node.node, "LogParams") == XmlDocument::kNone) {
        // Without parameters a camera curve has no linear segment: it is the
        // plain curve of its direction, as other readers take it.
        step.style = *style == LogStyle::kCameraLinToLog ? LogStyle::kLinToLog : LogStyle::kLogToLin;
        list.steps.emplace_back(step);
        return {};
    }
    // Each LogParams sets every parameter of the channels it names, those it
    // leaves out to their defaults.
    struct Params {
        double value[6] = {1.0, 0.0, 1.0, 0.0, 0.0, 1.0};
        bool has[6] = {false, false, false, false, false, false};
    };
    static constexpr std::string_view kParams[6] = {"logSideSlope", "logSideOffset", "linSideSlope",
                                                    "linSideOffset", "linSideBreak", "linearSlope"};
    constexpr int kBreak = 4, kLinearSlope = 5;
    Params channel[3];
    std::optional<double> base;
    for (Index child = node.doc.FirstChild(node.node); child != XmlDocument::kNone;
         child = node.doc.NextSibling(child)) {
        if (!NameIs(node.doc.Name(child), "LogParams")) continue;
        bool named[3];
        if (!ReadChannels(node.doc, child, named)) return msg::kClfChannel;
        Params params;
        for (size_t a = 0; a < node.doc.AttributeCount(child); ++a) {
            const std::string_view name = node.doc.AttributeName(child, a);
            const std::string_view text = node.doc.AttributeValue(child, a);
            if (NameIs(name, "base")) {
                double b = 0.0;
                if (!ReadOneNumber(text, b)) return msg::kClfParamValue;
                if (base && *base != b) return msg::kClfLogBaseMismatch;
                base = b;
            }
            for (int k = 0; k < 6; ++k) {
                if (!NameIs(name, kParams[k])) continue;
                if (!ReadOneNumber(text, params.value[k])) return msg::kClfParamValue;
                params.has[k] = true;
            }
        }
        if (!camera && (params.has[kBreak] || params.has[kLinearSlope])) return msg::kClfLogCameraOnly;
        if (camera && !params.has[kBreak]) return msg::kClfLogNoBreak;
        for (int c = 0; c < 3; ++c) {
            if (named[c]) channel[c] = params;
        }
    }
    if (camera) {
        for (const Params& p : channel) {
            if (!p.has[kBreak]) return msg::kClfLogNoBreak;
            if (p.has[kLinearSlope] != channel[0].has[kLinearSlope]) return msg::kClfLogPartialLinearSlope;
        }
    }
    if (base) {
        if (!ToFiniteFloat(*base, step.base)) return msg::kXmlLutNotFinite;
        if (!(*base > 0.0) || *base == 1.0 || !(step.base > 0.0f) || step.base == 1.0f) return msg::kClfLogBadBase;
    }
    for (int c = 0; c < 3; ++c) {
        const Params& p = channel[c];
        LogParams& out = step.channel[c];
        float* fields[6] = {&out.logSideSlope, &out.logSideOffset, &out.linSideSlope,
                            &out.linSideOffset, &out.linSideBreak, &out.linearSlope};
        for (int k = 0; k < 6; ++k) {
            if (!ToFiniteFloat(p.value[k], *fields[k])) return msg::kXmlLutNotFinite;
        }
        if (p.value[0] == 0.0 || p.value[2] == 0.0 || out.logSideSlope == 0.0f || out.linSideSlope == 0.0f) {
            return msg::kClfLogZeroSlope;
        }
        out.hasLinearSlope = p.has[kLinearSlope];
    }
    list.steps.emplace_back(step);
    return {};
}

std::string_view ReadExponentNode(const NodeContext& node, ProcessList& list) {
    static constexpr std::string_view kNames[] = {
        "basicFwd",          "basicRev",          "basicMirrorFwd", "basicMirrorRev", "basicPassThruFwd",
        "basicPassThruRev", "monCurveFwd",       "monCurveRev",    "monCurveMirrorFwd", "monCurveMirrorRev"};
    static constexpr ExponentStyle kStyles[] = {
        ExponentStyle::kBasicFwd,          ExponentStyle::kBasicRev,          ExponentStyle::kBasicMirrorFwd,
        ExponentStyle::kBasicMirrorRev,    ExponentStyle::kBasicPassThruFwd,  ExponentStyle::kBasicPassThruRev,
        ExponentStyle::kMonCurveFwd,       ExponentStyle::kMonCurveRev,       ExponentStyle::kMonCurveMirrorFwd,
        ExponentStyle::kMonCurveMirrorRev};
    const auto style = ReadStyle(node, kNames, kStyles);
    if (!style) return msg::kClfExponentStyle;
    const bool monCurve = *style >= ExponentStyle::kMonCurveFwd;
    // Without ExponentParams a channel keeps exponent 1 and offset 0.
    double exponent[3] = {1.0, 1.0, 1.0};
    double offset[3] = {0.0, 0.0, 0.0};
    for (Index child = node.doc.FirstChild(node.node); child != XmlDocument::kNone;
         child = node.doc.NextSibling(child)) {
        if (!NameIs(node.doc.Name(child), "ExponentParams")) continue;
        bool named[3];
        if (!ReadChannels(node.doc, child, named)) return msg::kClfChannel;
        std::optional<double> e, o;
        for (size_t a = 0; a < node.doc.AttributeCount(child); ++a) {
            const std::string_view name = node.doc.AttributeName(child, a);
            const std::string_view text = node.doc.AttributeValue(child, a);
            // "gamma" is the older name of the exponent, still read.
            std::optional<double>* target = NameIs(name, "exponent") || NameIs(name, "gamma") ? &e
                                            : NameIs(name, "offset")                          ? &o
                                                                                              : nullptr;
            if (target == nullptr) continue;
            double v = 0.0;
            if (!ReadOneNumber(text, v)) return msg::kClfParamValue;
            *target = v;
        }
        if (!e) return msg::kClfExponentMissing;
        if (monCurve && !o) return msg::kClfExponentNeedsOffset;
        if (!monCurve && o) return msg::kClfExponentNoOffset;
        for (int c = 0; c < 3; ++c) {
            if (!named[c]) continue;
            exponent[c] = *e;
            offset[c] = o.value_or(0.0);
        }
    }
    ExponentStep step;
    step.style = *style;
    for (int c = 0; c < 3; ++c) {
        const bool inRange = monCurve ? exponent[c] >= 1.0 && exponent[c] <= 10.0 && offset[c] >= 0.0 && offset[c] <= 0.9
                                      : exponent[c] >= 0.01 && exponent[c] <= 100.0;
        if (!inRange) return msg::kClfExponentRange;
        step.exponent[c] = static_cast<float>(exponent[c]);
        step.offset[c] = static_cast<float>(offset[c]);
    }
    list.steps.emplace_back(step);
    return {};
}

std::string_view ReadAscCdlNode(const NodeContext& node, ProcessList& list) {
    // CLF's four styles and the names of the CTF dialect for the same.
    static constexpr std::string_view kNames[] = {"Fwd",      "Rev",      "FwdNoClamp", "RevNoClamp",
                                                  "v1.2_Fwd", "v1.2_Rev", "noClampFwd", "noClampRev"};
    static constexpr CdlStyle kStyles[] = {CdlStyle::kFwd, CdlStyle::kRev, CdlStyle::kFwdNoClamp, CdlStyle::kRevNoClamp,
                                           CdlStyle::kFwd, CdlStyle::kRev, CdlStyle::kFwdNoClamp, CdlStyle::kRevNoClamp};
    CdlStep step;
    if (FindAttribute(node.doc, node.node, "style")) {
        const auto style = ReadStyle(node, kNames, kStyles);
        if (!style) return msg::kClfCdlStyle;
        step.style = *style;
    }
    if (const auto failure = ReadCdlValues(node.doc, node.node, CdlNameMatch::kAnyCase, step); !failure.empty()) {
        return failure;
    }
    list.steps.emplace_back(step);
    return {};
}

}  // namespace kv::clf
