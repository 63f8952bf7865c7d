// Feeds arbitrary bytes to the XML reader and the CLF reader. Beyond the
// sanitizers, checks that a document read holds together (each element's
// text is its segments, attributes and names as the limits allow) and that a
// process list read is what the reader promises: complete, within the step
// limit, every parameter finite and within the limits the reader enforces.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "LutRoundTrip.h"
#include "lut_engine/ClfFile.h"
#include "lut_engine/XmlReader.h"

namespace {

using kvfuzz::Check;

bool Finite(const float* v, int n) {
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(v[i])) return false;
    }
    return true;
}

void CheckDocument(std::string_view text) {
    kv::XmlDocument doc;
    std::string error;
    if (!kv::ReadXml(text, doc, &error)) {
        Check(!error.empty() && doc.Root() == kv::XmlDocument::kNone);
        return;
    }
    Check(doc.ElementCount() >= 1 && doc.ElementCount() <= kv::kMaxXmlElements);
    for (kv::XmlDocument::Index e = 0; e < doc.ElementCount(); ++e) {
        Check(!doc.Name(e).empty());
        Check(doc.AttributeCount(e) <= kv::kMaxXmlAttributesPerElement);
        std::string joined;
        for (auto s = doc.FirstSegment(e); s != kv::XmlDocument::kNone; s = doc.NextSegment(s)) {
            Check(!doc.Segment(s).empty());
            // Line ends read as "\n"; only a character reference gives "\r".
            Check(doc.Segment(s).find('\r') == std::string_view::npos || doc.Segment(s) == "\r");
            joined += doc.Segment(s);
        }
        Check(joined == doc.Text(e));
    }
}

void CheckStep(const kv::ProcessStep& step) {
    if (const auto* m = std::get_if<kv::MatrixStep>(&step)) {
        Check(Finite(m->m, 9) && Finite(m->offset, 3));
    } else if (const auto* r = std::get_if<kv::RangeStep>(&step)) {
        Check(r->hasMin || r->hasMax);
        Check(Finite(&r->minIn, 1) && Finite(&r->minOut, 1) && Finite(&r->maxIn, 1) && Finite(&r->maxOut, 1));
        if (r->hasMin && r->hasMax) Check(r->maxIn > r->minIn && r->maxOut >= r->minOut);
        if (!r->clamp) Check(r->hasMin && r->hasMax);
    } else if (const auto* l = std::get_if<kv::LogStep>(&step)) {
        Check(std::isfinite(l->base) && l->base > 0.0f && l->base != 1.0f);
        for (const kv::LogParams& p : l->channel) {
            const float values[6] = {p.logSideSlope, p.logSideOffset, p.linSideSlope,
                                     p.linSideOffset, p.linSideBreak, p.linearSlope};
            Check(Finite(values, 6) && p.logSideSlope != 0.0f && p.linSideSlope != 0.0f);
        }
    } else if (const auto* x = std::get_if<kv::ExponentStep>(&step)) {
        const bool monCurve = x->style >= kv::ExponentStyle::kMonCurveFwd;
        for (int c = 0; c < 3; ++c) {
            Check(x->exponent[c] >= (monCurve ? 1.0f : 0.01f) && x->exponent[c] <= (monCurve ? 10.0f : 100.0f));
            Check(x->offset[c] >= 0.0f && x->offset[c] <= (monCurve ? 0.9f : 0.0f));
        }
    } else if (const auto* d = std::get_if<kv::CdlStep>(&step)) {
        Check(Finite(d->slope, 3) && Finite(d->offset, 3) && Finite(d->power, 3) && std::isfinite(d->saturation));
        for (int c = 0; c < 3; ++c) Check(d->slope[c] >= 0.0f && d->power[c] > 0.0f);
        Check(d->saturation >= 0.0f);
    } else if (const auto* t1 = std::get_if<kv::Lut1DStep>(&step)) {
        for (const float v : t1->values) Check(std::isfinite(v));
    } else if (const auto* t3 = std::get_if<kv::Lut3DStep>(&step)) {
        for (const float v : t3->values) Check(std::isfinite(v));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckDocument(text);
    kv::ProcessList list;
    std::string error;
    if (!kv::ReadClfFile(text, list, &error)) {
        Check(!error.empty() && list.steps.empty());
        return 0;
    }
    Check(kv::IsCompleteProcessList(list) && list.format == "CLF");
    Check(!list.steps.empty() && list.steps.size() <= kv::kMaxProcessSteps);
    for (const kv::ProcessStep& step : list.steps) CheckStep(step);
    return 0;
}
