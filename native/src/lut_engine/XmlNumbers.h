#pragma once
// Numbers in the text and attribute values of XML LUT files (CLF arrays and
// parameters, ASC CDL values): tokens separated by XML white space or commas,
// each one whole number as ScanDouble reads it ("1.5", "-2e-3", "0x1p3",
// "inf", "nan"); anything else in a token ("1.5f", "1e") makes it malformed.
// The boundary between two text segments (a comment, a reference, a CDATA
// section between them) also separates tokens, as other readers of these
// files see them.

#include <string_view>

#include "lut_engine/XmlReader.h"

namespace kv {

constexpr bool IsNumberSeparator(char c) { return IsXmlSpace(c) || c == ','; }

// Reads a whole token as a number.
bool ReadNumberToken(std::string_view token, double& value);

// Calls visit(double) for each number of `text` in order; returns false at
// the first malformed token, or as soon as visit returns false.
template <class Visit>
bool ForEachNumber(std::string_view text, Visit&& visit) {
    size_t pos = 0;
    for (;;) {
        while (pos < text.size() && IsNumberSeparator(text[pos])) ++pos;
        if (pos == text.size()) return true;
        const size_t start = pos;
        while (pos < text.size() && !IsNumberSeparator(text[pos])) ++pos;
        double value = 0.0;
        if (!ReadNumberToken(text.substr(start, pos - start), value) || !visit(value)) return false;
    }
}

// The same over an element's own text, segment by segment.
template <class Visit>
bool ForEachNumber(const XmlDocument& doc, XmlDocument::Index element, Visit&& visit) {
    for (XmlDocument::Index s = doc.FirstSegment(element); s != XmlDocument::kNone; s = doc.NextSegment(s)) {
        if (!ForEachNumber(doc.Segment(s), visit)) return false;
    }
    return true;
}

}  // namespace kv
